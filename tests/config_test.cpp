#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "test_support.h"

using namespace tarrock;
using namespace tarrock::testutil;

TEST(ConfigFile, ParseSizeSuffixes) {
  struct Case { const char* text; int32_t value; };
  for (Case c : {Case{"512", 512}, Case{"64M", 67108864}, Case{"64m", 67108864}, Case{"3K", 3072},
                 Case{"1G", 1073741824}, Case{"", 0}, Case{"M", 0}, Case{"abc", 0},
                 Case{"12x", 12}, Case{"4G", INT32_MAX}, Case{"99999999999999999999", INT32_MAX}})
    EXPECT_EQ(ParseSize(c.text), c.value) << c.text;
}

TEST(ConfigFile, LoadsEachKindAndSkipsCommandLineSymbols) {
  ScratchDir dir;
  dir.write("t.cfg",
            "# HASH 1M\n"
            "RESIGN   900\n"
            "HASH 64M\n"
            "BOOK \"my book.bok\" trailing words\n"
            "TB_PATH \"/tb\"\n"
            "EGTB_HASH_SIZE 2M\n"
            "LOGFNAME \"ignored.log\"\n");
  ResetConfiguration();
  SetSymbol("LOGFNAME", "cmd.log");
  LoadConfiguration(dir.file("t.cfg").c_str());
  EXPECT_EQ(config.resign, 900);
  EXPECT_EQ(config.hash, 67108864);
  EXPECT_EQ(config.book, "my book.bok");
  EXPECT_EQ(config.tbPath, "/tb");
  EXPECT_EQ(config.egtbHashSize, 2097152);
  EXPECT_EQ(config.logFileName, "cmd.log");
  ResetConfiguration();
}

TEST(ConfigFile, MalformedFilesLeaveSaneValues) {
  struct Case {
    const char* text;
    int32_t resign;
    std::string book;
  };
  const Case cases[] = {
      // A non-number after an integer symbol stays unread and becomes the next symbol.
      {"RESIGN abc\n", 700, "tarrock.bok"},
      {"RESIGN -\nBOOK \"b\"\n", 700, "b"},
      {"RESIGN\n", 700, "tarrock.bok"},
      {"RESIGN -250\n", -250, "tarrock.bok"},
      {"RESIGN 99999999999999\n", INT32_MAX, "tarrock.bok"},
      // A string without quotes takes the trimmed line; a lone quote runs to the line end.
      {"BOOK plain.bok  \n", 700, "plain.bok"},
      {"BOOK \"open\nRESIGN 5\n", 5, "open\n"},
      {"BOOK", 700, ""},
      {"HASH", 700, "tarrock.bok"},
      {"\x01\x02\xff garbage\n#\n", 700, "tarrock.bok"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("bad.cfg", c.text);
    ResetConfiguration();
    LoadConfiguration(dir.file("bad.cfg").c_str());
    EXPECT_EQ(config.resign, c.resign) << c.text;
    EXPECT_EQ(config.book, c.book) << c.text;
  }
  ResetConfiguration();
}

TEST(ConfigFile, VeryLongTokensAreReadInBoundedPieces) {
  ScratchDir dir;
  dir.write("long.cfg", std::string(100000, 'A') + "\nBOOK \"" + std::string(5000, 'b') + "\"\n");
  ResetConfiguration();
  LoadConfiguration(dir.file("long.cfg").c_str());
  EXPECT_EQ(config.book, std::string(5000, 'b'));
  ResetConfiguration();
}

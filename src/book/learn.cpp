#include "book/learn.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "board/notation.h"
#include "book/bookfile.h"
#include "book/state.h"
#include "core/output.h"

namespace tarrock {

namespace {

constexpr int64_t LearnCeiling = 200000;
constexpr int64_t LearnFloor = 12500;

}  // namespace

void BookLearn(Position& pos, Colour engineColour) {
  if (book.file && book.readOnly) {
    PrintInfo("Book learning disabled\n");
    return;
  }
  if (!book.file) return;
  PrintInfo("Learning from result\n");
  const GameRecord& game = *pos.game;
  if (game.result == 4) {
    PrintInfo("Ignoring result\n");
    return;
  }
  if (game.result == 3) {
    PrintInfo("Ignoring draw\n");
    return;
  }
  bool won = (game.result == 1 && engineColour == White) || (game.result != 1 && engineColour == Black);
  if (won && game.engineRating > int64_t(game.opponentRating) + 150) {
    PrintInfo("Ignore learning weak opponent\n");
    return;
  }
  if (!won && int64_t(game.engineRating) + 150 < game.opponentRating) {
    PrintInfo("Ignore learning strong opponent\n");
    return;
  }
  BookHeader header;
  if (!ReadBookHeader(header)) {
    PrintInfo("Reading book header: %s\n", std::strerror(errno));
    return;
  }

  const int plies = game.count;
  for (int i = 0; i < plies; ++i) takeBack(pos);
  PrintInfo("Learning:");
  int misses = 0;
  for (int i = 0; i < plies; ++i) {
    bool own = pos.sideToMove == engineColour;
    char san[32];
    std::snprintf(san, sizeof san, "%s", moveToSan(pos, game.moves[game.count]));
    replayMove(pos);
    if (misses >= 3) continue;
    if (!own) {
      PrintInfo(" %s", san);
      continue;
    }
    ++misses;
    int32_t r = BookFind(pos.key(), 0, book.count);
    if (r < 0) continue;
    BookEntry entry;
    ReadBookEntry(r, entry);
    if (entry.key != pos.key()) {
      PrintInfo("Book failure\n");
      std::exit(1);
    }
    entry.flags &= ~LastResultMask;
    int64_t learn;
    if (won) {
      entry.flags |= LastWon;
      learn = int64_t(entry.learn) * 110 / 100;
      if (learn > LearnCeiling) learn = LearnCeiling;
      PrintInfo(" %s! (%.02f==>%.02f)", san, entry.learn * 0.00002, learn * 0.00002);
    } else {
      entry.flags |= LastLost;
      learn = int64_t(entry.learn) * 90 / 100;
      if (learn < LearnFloor) learn = LearnFloor;
      PrintInfo(" %s? (%.02f==>%.02f)", san, entry.learn * 0.00002, learn * 0.00002);
    }
    entry.learn = uint32_t(learn);
    WriteBookEntry(r, entry);
    --misses;
  }
  PrintInfo("\n");
  std::fflush(book.file);
}

}  // namespace tarrock

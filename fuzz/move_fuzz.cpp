// Move texts: a FEN line (empty: the initial position) followed by move words.
// Each word goes through the reader that takes coordinate and SAN forms; a
// move it accepts is tested for legality, and a legal one must be made and
// unmade leaving the Position byte for byte as it was, must leave a
// consistent Position when made, and must read back from its own SAN and
// coordinate texts. Legal moves are then played, so later words meet the
// positions of a game.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/verify.h"
#include "core/output.h"
#include "core/state.h"
#include "fuzz_support.h"
#include "search/root.h"

using namespace tarrock;

namespace {

constexpr int MaxWords = 48;

void checkTextForms(Position& pos, Move m, const char* word) {
  char san[64];
  std::snprintf(san, sizeof san, "%s", moveToSan(pos, m));
  if (parseMove(pos, san) != m) fuzz::fail("\"%s\": its SAN \"%s\" reads as another move", word, san);
  frontend.protocolMode = Uci;  // "e2e4", "e7e8q": the form the GUIs send
  char coordinate[16];
  std::snprintf(coordinate, sizeof coordinate, "%s", moveToCoordinate(m));
  frontend.protocolMode = Console;
  if (parseMove(pos, coordinate) != m)
    fuzz::fail("\"%s\": its coordinate text \"%s\" reads as another move", word, coordinate);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  fuzz::resetSession();
  static Position* pos = NewPosition();
  std::string text = fuzz::inputText(data, size, 4096);
  const size_t newline = text.find('\n');
  const std::string fen = text.substr(0, newline);
  std::string moves = newline == std::string::npos ? "" : text.substr(newline + 1);

  newGame(*pos);
  if (!fen.empty()) setupFromFen(*pos, fen.c_str());

  char* rest = moves.data();
  for (int n = 0; n < MaxWords; ++n) {
    char* word = std::strtok(n == 0 ? rest : nullptr, " \t\r\n");
    if (!word) break;
    Move m = parseMove(*pos, word);
    if (const char* problem = positionProblem(*pos)) fuzz::fail("reading \"%s\" left %s wrong", word, problem);
    if (!m) continue;
    if (!isLegalMove(*pos, m)) continue;

    PositionSnapshot before;
    takeSnapshot(*pos, before);
    makeMove(*pos, m);
    if (const char* problem = positionProblem(*pos)) fuzz::fail("making \"%s\" left %s wrong", word, problem);
    unmakeMove(*pos, m);
    if (const char* difference = snapshotDifference(*pos, before))
      fuzz::fail("making and unmaking \"%s\" changed %s", word, difference);

    checkTextForms(*pos, m, word);
    if (pos->game->count >= 200) break;
    playMove(*pos, m);
  }
  return 0;
}

// Colour symmetry of the evaluation: a position and its colour-flipped image
// (board mirrored top to bottom, colours, side to move and root side swapped)
// must get the same value from the side to move's point of view, and opposite
// pawn-structure values, for every position of the shared EPD suites and a
// few set-up positions that no game reaches.
#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "core/output.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "test_support.h"

using namespace tarrock;

namespace {

// The four position fields of the colour-flipped image of a FEN or EPD line.
std::string flippedFen(const std::string& line) {
  std::istringstream in(line);
  std::string placement, side, castling = "-", ep = "-";
  in >> placement >> side >> castling >> ep;
  std::vector<std::string> ranks;
  std::stringstream ranksIn(placement);
  for (std::string rank; std::getline(ranksIn, rank, '/');) ranks.push_back(rank);
  std::string out;
  for (auto it = ranks.rbegin(); it != ranks.rend(); ++it) {
    if (!out.empty()) out += '/';
    for (char c : *it) out += std::isupper(static_cast<unsigned char>(c)) ? char(std::tolower(c)) : char(std::toupper(c));
  }
  out += side == "w" ? " b " : " w ";
  std::string rights;
  for (char c : castling) rights += c == '-' ? c : (std::isupper(static_cast<unsigned char>(c)) ? char(std::tolower(c)) : char(std::toupper(c)));
  // Keep the usual K, Q, k, q order.
  std::string ordered;
  for (char c : std::string("KQkq"))
    if (rights.find(c) != std::string::npos) ordered += c;
  out += ordered.empty() ? "-" : ordered;
  if (ep.size() == 2) ep[1] = char('1' + ('8' - ep[1]));
  out += " " + ep;
  return out;
}

// Set-up positions no game reaches: no kings, pawns on the first and last
// ranks, more than eight pawns or two bishops, piles of queens. They must
// evaluate without fault, and symmetrically.
const char* const oddPositions[] = {
    "8/8/8/8/8/8/8/8 w - -",
    "PPPPPPPP/PPPPPPPP/PPPPPPPP/8/8/pppppppp/pppppppp/pppppppp w - -",
    "pppppppp/8/8/3k4/8/8/4K3/PPPPPPPP b - -",
    "P6p/P6p/P6p/P3k2p/P6p/P2K3p/P6p/P6p w - -",
    "QQQQQQQQ/QQQQQQQQ/8/3k4/8/8/qqqqqqqq/qqqqqqqq w - -",
    "BBBBBBBB/BBBBBBBB/8/1k6/8/8/bbbbbbbb/bbbbbbbb b - -",
    "k7/P1P1P1P1/1P1P1P1P/P1P1P1P1/1p1p1p1p/p1p1p1p1/1p1p1p1p/7K w - -",
    "KK6/8/8/8/8/8/8/6kk w - -",
};

std::vector<std::string> suitePositions() {
  std::vector<std::string> lines(std::begin(oddPositions), std::end(oddPositions));
  for (const char* name : {"wac.epd", "sts.epd", "bk.epd", "kaufman.epd", "lct2.epd", "perft.epd", "perftsuite.epd"}) {
    for (const std::string& line : testutil::dataLines(name))
      if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Fresh pawn-table entries for every call: cached entries ignore the root
// side, so an image with the same pawn key must not reuse them.
int evaluateFresh(const Position& pos, Colour rootSide) {
  ClearPawnTable();
  evalState.rootSide = rootSide;
  evalState.lazyMargin = InitialLazyMargin;
  return Evaluate(pos, -32767, 32767);
}

int pawnStructureValue(const Position& pos, Colour rootSide) {
  evalState.rootSide = rootSide;
  PawnEntry entry{};
  int phase = GamePhase(pos);
  return EvaluatePawns(pos, White, phase, entry) - EvaluatePawns(pos, Black, phase, entry);
}

}  // namespace

TEST(EvalSymmetry, FlippedImagesOfEverySuitePositionEvaluateAlike) {
  testutil::initEngineTables();
  SetPawnTableEntries(16);
  AllocatePawnTable();
  std::vector<std::string> lines = suitePositions();
  ASSERT_GT(lines.size(), 2000u);
  Position* pos = NewPosition();
  Position* image = NewPosition();
  int failures = 0;
  for (const std::string& line : lines) {
    std::string imageFen = flippedFen(line);
    newGame(*pos);
    newGame(*image);
    ASSERT_TRUE(setupFromFen(*pos, line.c_str())) << line;
    ASSERT_TRUE(setupFromFen(*image, imageFen.c_str())) << imageFen;
    for (Colour root : {White, Black}) {
      int value = evaluateFresh(*pos, root), mirrored = evaluateFresh(*image, root ^ 1);
      int pawns = pawnStructureValue(*pos, root), mirroredPawns = pawnStructureValue(*image, root ^ 1);
      if (value != mirrored || pawns != -mirroredPawns) {
        if (++failures <= 20)
          ADD_FAILURE() << fenString(*pos) << "(root " << (root == White ? "white" : "black") << "): evaluation "
                        << value << ", pawn structure " << pawns << "\n"
                        << fenString(*image) << "(flipped): evaluation " << mirrored << ", pawn structure "
                        << mirroredPawns;
      }
    }
  }
  EXPECT_EQ(failures, 0);
  FreePosition(pos);
  FreePosition(image);
  evalState = EvalState{};
  SetPawnTableEntries(DefaultPawnEntries);
  AllocatePawnTable();
}

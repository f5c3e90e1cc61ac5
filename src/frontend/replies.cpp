#include "frontend/replies.h"

#include <cstdio>

#include "board/fen.h"

namespace tarrock {

void SendXboardMove(Move m) {
  static const char* const suffix[5] = {"", "=n", "=b", "=r", "=q"};
  std::printf("move %s%s%s\n", squareNames[moveFrom(m)], squareNames[moveTo(m)],
              suffix[(movePromotion(m) >> 12) % 5]);
  std::fflush(stdout);
}

void SendIllegalMove(Move m, const char* received) {
  if (m)
    std::printf("Illegal move: %s%s\n", squareNames[moveFrom(m)], squareNames[moveTo(m)]);
  else
    std::printf("Illegal move: %s\n", received);
  std::fflush(stdout);
}

}  // namespace tarrock

// The xboard protocol's move replies, written straight to standard output:
// the engine's move and the refusal of a move it received.
#pragma once

#include "board/types.h"

namespace tarrock {

void SendXboardMove(Move m);
void SendIllegalMove(Move m, const char* received);

}  // namespace tarrock

// Reading and writing the four position fields of a FEN or EPD line
// (placement, side to move, castling rights, en-passant square). Move counters
// and EPD operations after the fourth field are ignored by the reader and never
// written.
#pragma once

#include <cstdio>
#include <string>

#include "board/position.h"

namespace tarrock {

// Sets the Position from the text. Writes the current tops of the undo stacks
// without moving them. Malformed text prints a message and still leaves a
// consistent Position. Returns false when the text was rejected.
bool setupFromFen(Position& pos, const char* text);

// Drops castling rights whose king or rook is not on its home square.
void removeUnsupportedRights(Position& pos);
// After the board, side, rights and en-passant square were set by hand:
// drops unsupported rights and makes every derived field and both keys agree.
void finishSetup(Position& pos);

// The four fields followed by one blank, no newline.
std::string fenString(const Position& pos);
void writeFen(FILE* stream, const Position& pos);

extern const char* const squareNames[64];

}  // namespace tarrock

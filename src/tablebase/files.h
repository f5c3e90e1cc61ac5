// Tablebase files: registration of the files found on a directory list, the
// material lookup with colour exchange, the 8 KB block cache and the reads
// through it. Registration failures end the process with a "*** " message;
// a file that fails to open or read while the engine searches is dropped, and
// its positions answer "unknown" from then on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarrock {

// Closes every tablebase file, frees the earlier registration and registers
// both sides of every class in each directory of pathList (split at ',' and
// ';'). Returns the largest number of men of a registered class (5, 4, 3 or
// 0 when nothing was found).
int TbInit(const char* pathList);

// Registers the file of class id for side (0 White, 1 Black to move) in
// directory, unless that side already has a file. Returns whether it did.
bool TbRegister(const char* directory, int id, int side);

// Uses bytes of buffer as the block cache (none below one entry) and forgets
// every cached block; closes the open files.
void TbCacheInit(void* buffer, size_t bytes);

// The class of the men counts (white pawns, knights, bishops, rooks, queens,
// then black): +id as stored, -id with colours exchanged, 0 for none.
int TbLookupClass(const int* counts);

// The stored byte of a position, 127 (unknown) when it cannot be read.
int TbReadByte(int id, int side, uint32_t index);

// The stored byte widened: 0 draw, above 0 the side to move wins, below 0 it
// loses (further from 0 the sooner), 32767 unknown.
int TbReadValue(int id, int side, uint32_t index);

// Closes every open tablebase file.
void TbCloseFiles();

}  // namespace tarrock

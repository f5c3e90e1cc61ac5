// Endgame tablebase probing as the search sees it: whether tablebases may be
// asked about a position, and the probe itself, which answers "not found"
// until tablebase files are registered.
#pragma once

#include <cstdint>

#include "board/position.h"

namespace tarrock {

struct TablebaseState {
  int tbProbeDepth = 4;  // plies; the search probes only above this depth
  uint64_t hits = 0;
};
extern TablebaseState tablebases;

// Registers the tablebase files found on the configured path and returns
// the largest number of men of any registered class (0 when none). No files
// are read yet: nothing is registered, and tablebases are switched off.
int InitializeTablebases();

// Whether the tablebases may be asked about the position: they are enabled,
// it has no more men than the largest registered class, and no more than 4
// when a side has nothing but its king.
bool TablebaseCandidate(const Position& pos);

// Looks the position up; on success value holds the tablebase value (positive:
// the side to move wins, mate distance encoded as the search expects).
bool ProbeTablebase(Position& pos, int& value);

}  // namespace tarrock

// Endgame tablebases as the engine sees them: set-up from the configured path
// and cache size, whether a position may be asked about, the probe that turns
// a position into its class, side and index and reads its value, and the
// statistics line of the end of a search.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "tablebase/state.h"

namespace tarrock {

// Registers the tablebase files found on the configured path, prints
// "Initializing tablebases: ...", sets tbMaxMen and returns it; switches the
// tablebases off when nothing was found, and otherwise makes sure a block
// cache of the configured size is in place.
int InitializeTablebases();

// Allocates a block cache of the given bytes (none for 0 or less), releasing
// the earlier one.
void SetUpTablebaseCache(int64_t bytes);

// Whether the tablebases may be asked about the position: they are enabled,
// it has no more men than the largest registered class, and no more than 4
// when a side has nothing but its king.
bool TablebaseCandidate(const Position& pos);

// Looks the position up; on success value holds the tablebase value from the
// side to move's view: 32767 - 2n when it mates in n moves, -32767 + 2n when
// it is mated in n, 0 for a draw.
bool ProbeTablebase(Position& pos, int& value);

// "EGTB: disabled" or the probe and hit counts of the search.
void PrintTablebaseStatistics();

}  // namespace tarrock

// Pawn structure: each colour's pawn-structure value with its passed pawns,
// weak (isolated or backward) pawn files and pawn files, the pawn-structure
// table that caches them per pawn key and game phase, and the race rule of
// pure pawn endings. The table is allocated at start-up and whenever the hash
// size changes; its entries survive from search to search until cleared.
#pragma once

#include <cstdint>

#include "board/position.h"

namespace tarrock {

// One cached pawn structure. The key is the pawn key XOR the phase key.
struct PawnEntry {
  HashKey key;
  Bitboard passed[2];
  uint8_t weakFiles[2];  // bit f: a pawn on file f is isolated or backward
  uint8_t pawnFiles[2];  // bit f: the colour has a pawn on file f
  int16_t score;         // White's pawn-structure value minus Black's
};

// The exposure of both kings (see KingShelter), which depends only on the
// pawns and the two king squares: cached under the pawn key combined with
// the king squares' keys.
struct ShelterEntry {
  HashKey key;
  int8_t shelter[2];
};
constexpr int ShelterEntries = 4096;

// The entry count of the default hash size (32 MB).
constexpr uint64_t DefaultPawnEntries = 262144;

struct PawnTable {
  PawnEntry* entries = nullptr;
  uint64_t count = 0;                          // entries allocated, a power of two
  uint64_t configuredCount = DefaultPawnEntries;  // used by the next AllocatePawnTable
  HashKey phaseKeys[4] = {};
  ShelterEntry shelter[ShelterEntries] = {};  // fixed size, cleared with the table
};

extern PawnTable pawnTable;

// Asks the processor to start loading the entry of a pawn key in a phase.
// No effect on any result.
// Always inlined, like PrefetchHash, or g++ drops the prefetch.
[[gnu::always_inline]] inline void PrefetchPawnEntry(HashKey pawnKey, int phase) {
  if (pawnTable.entries)
    __builtin_prefetch(&pawnTable.entries[(pawnKey ^ pawnTable.phaseKeys[phase]) & (pawnTable.count - 1)]);
}

// Sets the entry count of the next AllocatePawnTable, rounded down to a power
// of two (at least 1). The hash-size setting calls it.
void SetPawnTableEntries(uint64_t entries);

// Frees the table, allocates it at the configured count, clears it and draws
// four new phase keys from the shared random generator.
void AllocatePawnTable();

// Zeroes every entry, the shelter entries and the evaluation's piece-term
// cache too.
void ClearPawnTable();

// The pawn-structure value of one colour (positive is good for it) in the
// given phase; fills that colour's passed, weakFiles and pawnFiles fields.
int EvaluatePawns(const Position& pos, Colour colour, int phase, PawnEntry& entry);

// Race of a pure pawn ending from White's point of view, using the passed
// pawns of both colours in the entry.
int PawnRace(const Position& pos, const PawnEntry& entry);

}  // namespace tarrock

// The Position record: the board, its derived square sets, incremental counts
// and material, the five per-ply undo stacks (castling rights, key, pawn key,
// fifty-move counter, en-passant square) and the game record. Also the Zobrist
// key tables, the shared lagged-Fibonacci random generator that fills them, and
// the operations that reset or rebuild a Position from its board.
#pragma once

#include <cstdint>

#include "board/types.h"
#include "core/output.h"

namespace tarrock {

constexpr int MaxGamePlies = 1000;
constexpr int MaxPly = 64;               // plies of search state
constexpr int MoveStackSize = 64 * 256;  // room for a full move list at every ply
constexpr int MaxRootMoves = 256;

// State of the staged move picker at one ply.
struct PickerState {
  int stage;
  int listStart;     // first move of the ply's list in the move stack
  int next;          // next move of the current batch
  int captureCount;  // captures generated at this ply
  int leftInBatch;
  int goodEnd;       // one past the last good capture
  // Set by the search when the futility test drops every quiet move that
  // gets no extension; the picker then counts in droppedQuiets the legal
  // quiet moves it dropped unmade instead of handing them out.
  int futileQuiets;
  int droppedQuiets;
};

// A move at the root with its flags (1 failed high, 2 first move failed low,
// 4 searched in this pass) and score.
struct RootMove {
  Move move;
  uint32_t flags;
  int32_t score;
};

// The moves of the game, with the ratings, draw score and result that the
// front end and the book learning read.
struct GameRecord {
  int32_t engineRating = 0;
  int32_t opponentRating = 0;
  int32_t drawScore = 0;
  int32_t result = 4;  // 1 white won, 2 black won, 3 drawn, 4 none
  Move moves[MaxGamePlies] = {};
  int count = 0;  // moves played
  int end = 0;    // end of stored moves (redo tail)
};

struct Position {
  PieceCode board[64];
  int32_t material[2];
  Square kingSquare[2];
  Bitboard pieces[2];
  Bitboard pawns[2];
  Bitboard knights[2];
  Bitboard bishops[2];
  Bitboard rooks[2];
  Bitboard queens[2];
  Bitboard occupied;
  Bitboard occupiedFiles;
  Bitboard occupiedDiagA1H8;
  Bitboard occupiedDiagH1A8;
  int32_t bishopCount[2];
  int32_t knightCount[2];
  int32_t heavyCount[2];
  int32_t pawnCount[2];
  int32_t pieceUnits[2];

  // Index of the current entry of each stack; they move together. Kept next
  // to the board sets, which every evaluation and move reads as well.
  int castleTop, keyTop, pawnKeyTop, fiftyTop, epTop;

  Colour sideToMove;

  HashKey keyStack[MaxGamePlies];
  HashKey pawnKeyStack[MaxGamePlies];
  uint32_t castleStack[MaxGamePlies];
  uint32_t fiftyStack[MaxGamePlies];
  uint32_t epStack[MaxGamePlies];

  // Search working areas, by ply (see search/).
  int singleReply;  // the picker's last move was the only evasion
  int plyInCheck[MaxPly + 1];
  int extFlags[MaxPly + 1];
  int threat[MaxPly + 1];
  Move hashMove[MaxPly + 1];
  Move currentMove[MaxPly + 1];
  Move killer1[MaxPly + 1];
  Move killer2[MaxPly + 1];
  int laterMove[MaxPly + 1];
  Move pv[MaxPly + 1][MaxPly + 1];
  int pvLength[MaxPly + 1];
  int32_t sortKeys[256];
  Move moveStack[MoveStackSize];
  int moveStackTop[MaxPly + 2];
  PickerState picker[MaxPly + 1];

  // Game counters.
  int bookMisses;           // consecutive failed book probes
  int badScoreCount;        // consecutive losing scores, for resigning
  int unchangedScoreCount;  // consecutive draw scores, for draw offers
  int gameInProgress;

  // Root move list and the moves a search is restricted to (zero-terminated,
  // empty for none).
  RootMove rootList[MaxRootMoves];
  int rootCount;
  Move searchMoves[MaxRootMoves + 1];

  GameRecord* game;

  // Current values of the stacks.
  HashKey key() const { return keyStack[keyTop]; }
  HashKey pawnKey() const { return pawnKeyStack[pawnKeyTop]; }
  uint32_t castleRights() const { return castleStack[castleTop]; }
  uint32_t fifty() const { return fiftyStack[fiftyTop]; }
  Square epSquare() const { return epStack[epTop]; }
};

// Zobrist key tables, filled once by initKeys and read-only afterwards.
struct KeyTables {
  HashKey pieceKeys[39][64];  // by PieceCode (17..22, 33..38) and square
  HashKey unusedKeys[64];     // drawn to keep the generator's order; never read
  HashKey epKeys[64];
  HashKey sideKey;
};
extern KeyTables keys;

// Square renumberings for the rotated occupancy sets; built with the board tables.
struct SquareMaps {
  uint8_t mapFiles[64];
  uint8_t mapDiagA1H8[64];
  uint8_t mapDiagH1A8[64];
};
extern SquareMaps squareMaps;
void initSquareMaps();

uint32_t random32();
uint64_t random64();
// Restarts the generator from its seed table (tests only; the engine draws one
// sequence per process).
void resetRandom();

void initKeys();

void newGame(Position& pos);
void rebuildBoardSets(Position& pos);
void rebuildMaterial(Position& pos);
void checkMaterial(Position& pos);
HashKey computeKey(const Position& pos);
HashKey computePawnKey(const Position& pos);

// Sets the side to move and recomputes the key into the current key-stack
// entry. When the side changes, the moves recorded so far were played with
// the other side to move and can no longer be taken back or replayed here:
// the game record starts afresh from this position.
void setSideToMove(Position& pos, Colour side);

void playMove(Position& pos, Move move);
Move takeBack(Position& pos);
Move replayMove(Position& pos);

// A Position with its own GameRecord; ends the process when memory runs out.
Position* NewPosition();
void FreePosition(Position* pos);

}  // namespace tarrock

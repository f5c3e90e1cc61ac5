// The evaluation variables: the piece values behind the Position's material
// sums, which make/unmake keep up to date, and the king-safety weight. They
// are writable (the play levels overwrite them); the evaluation and the board
// read them.
#pragma once

namespace tarrock {

struct EvalVariables {
  int pawnValue = 100;
  int knightValue = 300;
  int bishopValue = 300;
  int rookValue = 500;
  int queenValue = 970;
  int kingSafetyWeight = 4;

  // Material value of a piece type (1 pawn .. 5 queen); kings count 0.
  int valueOf(int type) const {
    switch (type) {
      case 1: return pawnValue;
      case 2: return knightValue;
      case 3: return bishopValue;
      case 4: return rookValue;
      case 5: return queenValue;
      default: return 0;
    }
  }
};

extern EvalVariables evalVars;

// The piece units of a man by type (index code & 7): knights and bishops 3,
// rooks 5, queens 10, pawns and kings none.
constexpr int PieceUnits[8] = {0, 0, 3, 3, 5, 10, 0, 0};

}  // namespace tarrock

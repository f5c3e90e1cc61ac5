#include "tablebase/probe.h"

#include "frontend/state.h"

namespace tarrock {

TablebaseState tablebases;

bool TablebaseCandidate(const Position& pos) {
  if (!frontend.tablebasesEnabled) return false;
  int men = popCount(pos.occupied);
  if (men > frontend.tbMaxMen) return false;
  if ((pos.material[White] == 0 || pos.material[Black] == 0) && men > 4) return false;
  return true;
}

bool ProbeTablebase(Position&, int&) { return false; }

}  // namespace tarrock

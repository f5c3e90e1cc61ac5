#include "tablebase/probe.h"

#include "core/config.h"
#include "core/output.h"
#include "core/state.h"

namespace tarrock {

TablebaseState tablebases;

int InitializeTablebases() {
  PrintInfo("Initializing tablebases: %s\n", config.tbPath.c_str());
  frontend.tbMaxMen = 0;
  frontend.tablebasesEnabled = 0;
  return frontend.tbMaxMen;
}

bool TablebaseCandidate(const Position& pos) {
  if (!frontend.tablebasesEnabled) return false;
  int men = popCount(pos.occupied);
  if (men > frontend.tbMaxMen) return false;
  if ((pos.material[White] == 0 || pos.material[Black] == 0) && men > 4) return false;
  return true;
}

bool ProbeTablebase(Position&, int&) { return false; }

}  // namespace tarrock

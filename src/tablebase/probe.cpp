#include "tablebase/probe.h"

namespace tarrock {

TablebaseState tablebases;

bool ProbeTablebase(Position&, int&) { return false; }

}  // namespace tarrock

#include "search/thinking.h"

namespace tarrock {

// Filled in with the search's statistics once the search exists.
void PrintAnalysisStatus(const Position&) {}

}  // namespace tarrock

// The search benchmark: fixed positions searched to a fixed depth from the
// state a new game gives, printing the node count of each and, as the
// signature of the search, the total.
#pragma once

namespace tarrock {

// argv holds the arguments after "bench": an optional depth in plies.
int runSearchBench(int argc, char** argv);

// The benchmark's positions (also used by tests).
const char* const* benchPositions(int& count);

}  // namespace tarrock

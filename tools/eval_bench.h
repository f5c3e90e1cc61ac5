// Evaluation timing for the developer tools: evaluations per second over the
// positions of an EPD file, once with the pawn-structure table warm (every
// pawn structure already cached) and once cold (every probe misses).
#pragma once

namespace tarrock {

// "evalbench FILE [ROUNDS]": argv[0] is the subcommand name. Returns the
// process exit status.
int runEvalBench(int argc, char** argv);

}  // namespace tarrock

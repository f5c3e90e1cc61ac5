// The EPD test-suite runner: searches every position of a suite for a fixed
// time, checks the chosen move against the "bm" or "am" operation, stops a
// position early once the right move has held for some extra iterations, and
// writes a results file and a file of the failed positions.
#pragma once

#include <string>

namespace tarrock {

// Where the results and failures files go: the system temp directory.
std::string SuiteResultsPath();
std::string SuiteFailuresPath();

void RunTestSuite(const char* file, int seconds, int extraPly);

// Called by the root search with the current best move while a suite runs.
void EpdCheckSolution(bool iterationFinished);

}  // namespace tarrock

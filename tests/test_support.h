// Helpers shared by the unit tests: one-time start-up of the engine's tables
// and small utilities for running the engine binary.
#pragma once

#include <string>
#include <vector>

namespace tarrock::testutil {

// Builds the start-up tables and keys exactly once per test process.
void initEngineTables();

}  // namespace tarrock::testutil

// Start-up of the engine process: the command line, the configuration file,
// the subsystems brought up in their fixed order, and the main loop that
// alternates between executing input lines and letting the engine think.
#pragma once

#include "board/position.h"

namespace tarrock {

int EngineMain(int argc, char** argv);

// Executes input lines and lets the engine think until standard input ends,
// which ends the process with status 0.
void RunMainLoop(Position& pos);

// Hands the lower layers the front-end routines they call: the diagram for
// printed boards and the input poll of the search.
void InstallFrontendHooks();

}  // namespace tarrock

// Start-up of the engine process: the command line, the configuration file,
// the subsystems brought up in their fixed order, and the main loop that
// alternates between executing input lines and letting the engine think.
#pragma once

namespace tarrock {

int EngineMain(int argc, char** argv);

// Hands the lower layers the front-end routines they call: the diagram for
// printed boards and the input poll of the search.
void InstallFrontendHooks();

}  // namespace tarrock

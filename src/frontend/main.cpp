#include "frontend/engine.h"

int main(int argc, char** argv) { return tarrock::EngineMain(argc, argv); }

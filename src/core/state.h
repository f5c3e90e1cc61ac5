// The process-wide flags: the protocol in force, the quiet flag, the flags
// that the command interpreter, the input poll, the output routines and the
// search share, and the clocks. One record, set by the front end (commands,
// options, the main loop) and read by every layer.
#pragma once

#include <cstdint>

namespace tarrock {

enum ProtocolMode : int { Console = 0, Xboard = 1, Uci = 2 };

struct FrontendState {
  ProtocolMode protocolMode = Console;
  int showOutput = 1;
  const char* pendingCommand = nullptr;
  int engineToMove = 0;
  int infiniteAnalysis = 0;
  int forceMode = 0;
  int ponderEnabled = 1;
  int noPonder = 1;
  int pondering = 0;
  int ponderHit = 0;
  int drawOffered = 0;
  int xboardPost = 0;
  int printDiagram = 0;
  int moveNumbers = 0;
  int printHashUsage = 0;
  int32_t timeLeft = 30000;     // centiseconds on the engine's clock
  int32_t opponentClock = 0;    // centiseconds on the opponent's clock
  int bookEnabled = 1;
  int tablebasesEnabled = 1;
  int32_t tbMaxMen = 0;
  int32_t levelDrawScore = 0;   // draw score a new game starts with
  int fritzMode = 0;
  int xboardProtover = 0;
};

extern FrontendState frontend;

constexpr const char* EngineVersion = "2.0.1";

}  // namespace tarrock

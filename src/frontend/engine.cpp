#include "frontend/engine.h"

#include "board/position.h"
#include "frontend/output.h"

namespace tarrock {

int EngineMain(int, char**) {
  initSquareMaps();
  initKeys();
  Position* pos = NewPosition();
  newGame(*pos);
  FreePosition(pos);
  return 0;
}

}  // namespace tarrock

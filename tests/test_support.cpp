#include "test_support.h"

#include "board/position.h"

namespace tarrock::testutil {

void initEngineTables() {
  static bool done = false;
  if (done) return;
  done = true;
  resetRandom();
  initSquareMaps();
  initKeys();
}

}  // namespace tarrock::testutil

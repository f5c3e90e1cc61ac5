#include "test_support.h"

#include "board/position.h"
#include "board/tables.h"

namespace tarrock::testutil {

void initEngineTables() {
  static bool done = false;
  if (done) return;
  done = true;
  resetRandom();
  initBoardTables();
  initKeys();
}

}  // namespace tarrock::testutil

#include "test_support.h"

#include "board/position.h"
#include "eval/evaltables.h"

namespace tarrock::testutil {

void initEngineTables() {
  static bool done = false;
  if (done) return;
  done = true;
  resetRandom();
  InitEvalTables();
  initKeys();
}

}  // namespace tarrock::testutil

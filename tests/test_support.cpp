#include "test_support.h"

#include "board/position.h"
#include "eval/evaltables.h"
#include "eval/pawns.h"

namespace tarrock::testutil {

void initEngineTables() {
  static bool done = false;
  if (done) return;
  done = true;
  resetRandom();
  InitEvalTables();
  initKeys();
  AllocatePawnTable();
}

}  // namespace tarrock::testutil

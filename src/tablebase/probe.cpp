#include "tablebase/probe.h"

#include "core/config.h"
#include "core/memory.h"
#include "core/output.h"
#include "core/state.h"
#include "tablebase/files.h"
#include "tablebase/index.h"

namespace tarrock {

void SetUpTablebaseCache(int64_t bytes) {
  TbCacheInit(nullptr, 0);
  Release(tablebases.cacheMemory);
  tablebases.cacheMemory = nullptr;
  tablebases.cacheBytes = bytes > 0 ? bytes : 0;
  if (tablebases.cacheBytes == 0) return;
  tablebases.cacheMemory = AllocateOrDie(size_t(tablebases.cacheBytes));
  TbCacheInit(tablebases.cacheMemory, size_t(tablebases.cacheBytes));
}

int InitializeTablebases() {
  PrintInfo("Initializing tablebases: %s\n", config.tbPath.c_str());
  frontend.tbMaxMen = TbInit(config.tbPath.c_str());
  if (frontend.tbMaxMen == 0) {
    frontend.tablebasesEnabled = 0;
  } else if (!tablebases.cacheMemory || tablebases.cacheBytes != config.egtbHashSize) {
    SetUpTablebaseCache(config.egtbHashSize);
  }
  return frontend.tbMaxMen;
}

bool TablebaseCandidate(const Position& pos) {
  if (!frontend.tablebasesEnabled) return false;
  int men = popCount(pos.occupied);
  if (men > frontend.tbMaxMen) return false;
  if ((pos.material[White] == 0 || pos.material[Black] == 0) && men > 4) return false;
  return true;
}

bool ProbeTablebase(Position& pos, int& value) {
  tablebases.tbProbes++;
  int lists[2][16] = {};
  int counts[10];
  if (!TbPieceLists(pos, lists, counts)) return false;
  int id = TbLookupClass(counts);
  if (id == 0) return false;
  int side = int(pos.sideToMove);
  const int* whiteRole = lists[White];
  const int* blackRole = lists[Black];
  int invert = 0;
  if (id < 0) {
    id = -id;
    side ^= 1;
    whiteRole = lists[Black];
    blackRole = lists[White];
    invert = 1;
  }
  if (tablebases.records[id].fileName[side].empty()) return false;
  const TbIndexFunction indexOf = tablebases.classTable[id].index[side];
  if (!indexOf) return false;
  const int ep = pos.epSquare() ? int(pos.epSquare()) : TbNoEnPassant;
  const int raw = TbReadValue(id, side, indexOf(whiteRole, blackRole, ep, invert));
  if (raw == 32767) return false;
  value = raw > 0 ? 2 * raw - 32767 : raw < 0 ? 2 * raw + 32767 : 0;
  tablebases.tbHits++;
  return true;
}

void PrintTablebaseStatistics() {
  if (!frontend.tablebasesEnabled)
    PrintInfo("EGTB: disabled\n");
  else
    PrintInfo("EGTB: probs %lu, hits %lu\n", (unsigned long)tablebases.tbProbes, (unsigned long)tablebases.tbHits);
}

}  // namespace tarrock

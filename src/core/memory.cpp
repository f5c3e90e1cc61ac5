#include "core/memory.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "core/output.h"

namespace tarrock {

void* AllocateOrDie(size_t bytes) {
  void* memory = std::malloc(bytes ? bytes : 1);
  if (!memory) fatalError("malloc: ran out of memory");
  return memory;
}

void* AllocateTableOrDie(size_t bytes) {
  constexpr size_t HugePage = size_t(2) << 20;
  if (bytes < HugePage) return AllocateOrDie(bytes);
  // aligned_alloc wants a whole number of alignments.
  const size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
  void* memory = std::aligned_alloc(HugePage, rounded);
  if (!memory) fatalError("malloc: ran out of memory");
#ifdef MADV_HUGEPAGE
  madvise(memory, rounded, MADV_HUGEPAGE);  // a hint: refused, the table works as before
#endif
  return memory;
}

void Release(void* memory) { std::free(memory); }

}  // namespace tarrock

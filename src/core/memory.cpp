#include "core/memory.h"

#include <cstdlib>

#include "core/output.h"

namespace tarrock {

void* AllocateOrDie(size_t bytes) {
  void* memory = std::malloc(bytes ? bytes : 1);
  if (!memory) fatalError("malloc: ran out of memory");
  return memory;
}

void Release(void* memory) { std::free(memory); }

}  // namespace tarrock

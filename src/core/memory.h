// Memory for the engine's tables: allocation that ends the process with
// "malloc: ran out of memory" instead of returning nothing, and its release.
// Tables are allocated at start-up or when a size setting changes, never
// while searching.
#pragma once

#include <cstddef>

namespace tarrock {

void* AllocateOrDie(size_t bytes);
// The same for a large table read at random (the hash tables): aligned to
// 2 MB and, where the system offers it, backed by huge pages, so that a probe
// rarely misses the address-translation cache. Released with Release.
void* AllocateTableOrDie(size_t bytes);
void Release(void* memory);

}  // namespace tarrock

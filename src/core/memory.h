// Memory for the engine's tables: allocation that ends the process with
// "malloc: ran out of memory" instead of returning nothing, and its release.
// Tables are allocated at start-up or when a size setting changes, never
// while searching.
#pragma once

#include <cstddef>

namespace tarrock {

void* AllocateOrDie(size_t bytes);
void Release(void* memory);

}  // namespace tarrock

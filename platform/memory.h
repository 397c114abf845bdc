// Memory whose address fits in 32 bits, for texts whose addresses travel in
// 32-bit fields to the core. In a 32-bit process that is any memory.
#pragma once
#include <cstddef>

namespace plat {

// Zeroed memory below 4 GiB; null when none can be had.
void* alloc_low32(size_t size);
void free_low32(void* memory, size_t size);

}  // namespace plat

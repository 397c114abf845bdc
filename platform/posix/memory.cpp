#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace plat {

void* alloc_low32(size_t size) {
  int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#if defined(MAP_32BIT)
  flags |= MAP_32BIT;
#endif
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  if (reinterpret_cast<uintptr_t>(memory) + size > uintptr_t{0xFFFFFFFF}) {
    munmap(memory, size);
    return nullptr;
  }
  return memory;
}

void free_low32(void* memory, size_t size) {
  if (memory != nullptr) munmap(memory, size);
}

}  // namespace plat

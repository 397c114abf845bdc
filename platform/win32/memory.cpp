#include "platform/memory.h"

#include <windows.h>

#include <cstdint>

namespace plat {

void* alloc_low32(size_t size) {
  // Bottom-up allocation gives low addresses first; a 64-bit process can
  // still be handed one above 4 GiB, which is refused.
  void* memory = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (memory == nullptr) return nullptr;
  if (reinterpret_cast<uintptr_t>(memory) + size - 1 > uintptr_t{0xFFFFFFFF}) {
    VirtualFree(memory, 0, MEM_RELEASE);
    return nullptr;
  }
  return memory;
}

void free_low32(void* memory, size_t) {
  if (memory != nullptr) VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace plat

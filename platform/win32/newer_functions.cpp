#include "platform/win32/newer_functions.h"

#include <atomic>

#include "platform/win32/newer_functions_testing.h"

namespace plat::win32 {
namespace {

std::atomic<bool> hidden{false};

}  // namespace

FARPROC newer_function(const char* module, const char* name) {
  if (hidden.load(std::memory_order_relaxed)) return nullptr;
  HMODULE system = GetModuleHandleA(module);
  return system ? GetProcAddress(system, name) : nullptr;
}

void hide_newer_functions(bool hide) { hidden.store(hide, std::memory_order_relaxed); }

}  // namespace plat::win32

// The DLL and the tool only: the static runtime's thread library asks kernel32
// for GetTickCount64, which Windows XP lacks, and one such import keeps the
// whole image from loading there. This object fills the library's import slot
// itself; the linker takes it before it looks in kernel32's import library.
// It answers with the system's function where there is one, otherwise with
// GetTickCount carried on over its wraps.
#include <windows.h>

#include <atomic>

#include "platform/tick_count64.h"
#include "platform/win32/newer_functions.h"

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

std::atomic<uint64_t> last_count{0};
std::atomic<TickCount64> system_function{nullptr};
std::atomic<bool> looked_up{false};

ULONGLONG WINAPI tick_count_64() {
  if (!looked_up.load(std::memory_order_acquire)) {
    system_function.store(reinterpret_cast<TickCount64>(reinterpret_cast<void (*)()>(
                              plat::win32::newer_function("kernel32.dll", "GetTickCount64"))),
                          std::memory_order_relaxed);
    looked_up.store(true, std::memory_order_release);
  }
  if (TickCount64 system = system_function.load(std::memory_order_relaxed)) return system();
  return plat::extend_tick_count(last_count, GetTickCount());
}

}  // namespace

// The name the compiler gives a dllimport of GetTickCount64.
#if defined(__i386__)
extern "C" TickCount64 tick_count_64_import __asm__("__imp__GetTickCount64@0");
TickCount64 tick_count_64_import = tick_count_64;
#else
extern "C" TickCount64 tick_count_64_import __asm__("__imp_GetTickCount64");
TickCount64 tick_count_64_import = tick_count_64;
#endif

// The path of the module that contains this code (the DLL, or a test program).
#include "platform/module.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

namespace plat {
namespace {

// A lock that needs no set-up call, held only for a string copy: std::mutex
// would link the C++ library's system_error machinery into the DLL, and
// Windows XP has no slim reader/writer locks.
std::atomic_flag override_lock;  // clear from the start
std::string override_path;       // guarded by override_lock
bool overridden = false;         // guarded by override_lock

class OverrideLock {
 public:
  OverrideLock() {
    while (override_lock.test_and_set(std::memory_order_acquire)) Sleep(1);
  }
  ~OverrideLock() { override_lock.clear(std::memory_order_release); }
  OverrideLock(const OverrideLock&) = delete;
  OverrideLock& operator=(const OverrideLock&) = delete;
};

// A cut path would name another file: it gives no path at all.
bool copy_whole(char* buffer, size_t size, const char* text, size_t length) {
  if (length == 0 || length > size - 1) return false;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return true;
}

}  // namespace

bool module_path(char* buffer, size_t size) {
  if (!buffer || size == 0) return false;
  buffer[0] = '\0';
  {
    OverrideLock lock;
    if (overridden) return copy_whole(buffer, size, override_path.data(), override_path.size());
  }
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&module_path), &module)) {
    return false;
  }
  char path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  // Older systems leave a cut path unterminated; a cut path is no path.
  if (length == 0 || length >= sizeof path) return false;
  return copy_whole(buffer, size, path, length);
}

void set_module_path_override(const char* path) {
  OverrideLock lock;
  overridden = path != nullptr;
  override_path = path ? path : "";
}

}  // namespace plat

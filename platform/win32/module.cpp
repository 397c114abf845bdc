// The path of the module that contains this code (the DLL, or a test program).
#include "platform/module.h"

#include <windows.h>

#include <cstring>
#include <mutex>
#include <string>

namespace plat {
namespace {

std::mutex override_mutex;
std::string override_path;  // guarded by override_mutex
bool overridden = false;    // guarded by override_mutex

void copy_bounded(char* buffer, size_t size, const char* text, size_t length) {
  if (length > size - 1) length = size - 1;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

}  // namespace

void module_path(char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  {
    std::lock_guard lock(override_mutex);
    if (overridden) {
      copy_bounded(buffer, size, override_path.data(), override_path.size());
      return;
    }
  }
  buffer[0] = '\0';
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&module_path), &module)) {
    return;
  }
  char path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  // Older systems leave a cut path unterminated; a cut path is no path.
  if (length == 0 || length >= sizeof path) return;
  copy_bounded(buffer, size, path, length);
}

void set_module_path_override(const char* path) {
  std::lock_guard lock(override_mutex);
  overridden = path != nullptr;
  override_path = path ? path : "";
}

}  // namespace plat

// The path of the shared object (or program) that calls module_path. Natively
// the platform layer is a library of its own, so the caller's module, not this
// one, is the plug-in (on Windows both are the same DLL).
#include "platform/module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace plat {
namespace {

std::mutex g_override_mutex;
std::string g_override;  // guarded by g_override_mutex
bool g_overridden = false;

std::string path_of(void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) && map && map->l_name &&
      map->l_name[0] != '\0') {
    char resolved[PATH_MAX];
    if (realpath(map->l_name, resolved)) return resolved;
    return map->l_name;
  }
  // The main program's link map has no name.
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return {};
  return std::string(exe, static_cast<size_t>(n));
}

}  // namespace

[[gnu::noinline]] bool module_path(char* buffer, size_t size) {
  void* caller = __builtin_return_address(0);
  if (!buffer || size == 0) return false;
  std::string path;
  bool overridden;
  {
    std::lock_guard lock(g_override_mutex);
    overridden = g_overridden;
    if (overridden) path = g_override;
  }
  if (!overridden) path = path_of(caller);
  // A cut path would name another file.
  if (path.empty() || path.size() > size - 1) {
    buffer[0] = '\0';
    return false;
  }
  std::memcpy(buffer, path.data(), path.size());
  buffer[path.size()] = '\0';
  return true;
}

void set_module_path_override(const char* path) {
  std::lock_guard lock(g_override_mutex);
  g_overridden = path != nullptr;
  g_override = path ? path : "";
}

}  // namespace plat

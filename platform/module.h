// The full path of the plug-in library itself.
#pragma once
#include <cstddef>

namespace plat {

// Writes the path, always terminated and cut to size - 1 characters.
void module_path(char* buffer, size_t size);

// Test hook: report this path instead of the real one; null restores it.
void set_module_path_override(const char* path);

}  // namespace plat

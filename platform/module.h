// The full path of the plug-in library itself.
#pragma once
#include <cstddef>

namespace plat {

// Writes the path, terminated. A path longer than size - 1 characters is no
// path: the buffer is left empty and the result is false.
bool module_path(char* buffer, size_t size);

// Test hook: report this path instead of the real one; null restores it.
void set_module_path_override(const char* path);

}  // namespace plat

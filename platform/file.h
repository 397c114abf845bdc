// Whole-file reading and crash-safe replacement, for the settings files.
#pragma once
#include <cstddef>
#include <string>

namespace plat {

enum class FileRead { Ok, Missing, Failed };

// Reads a whole regular file into out. Missing when the file or its folder
// does not exist; Failed when it exists but is not a regular file, cannot be
// read, or holds more than max_size bytes (out is then empty).
FileRead read_file(const char* path, size_t max_size, std::string& out);

// Flushes the file from to disk, then puts it in the place of to in one step,
// replacing to if it exists. Afterwards to holds either its old content or
// the complete content of from. False when any step failed; from is then
// left for the caller to remove.
bool replace_file(const char* from, const char* to);

}  // namespace plat

// Whole-file reading and crash-safe replacement, for the settings files.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

enum class FileRead { Ok, Missing, Failed };

// Reads a whole regular file into out. Missing when the file or its folder
// does not exist; Failed when it exists but is not a regular file, cannot be
// read, or holds more than max_size bytes (out is then empty).
FileRead read_file(const char* path, size_t max_size, std::string& out);

// Puts content in the place of the file at path in one step, creating it if
// needed. The content goes first into a temporary file of a unique name in
// the same folder, created exclusively so that no other writer can share or
// redirect it, and flushed to disk before it is moved over the target.
// Afterwards path holds either its old content or all of content. A link is
// written through: its target is replaced and the link stays. The new file
// keeps the old one's permissions; a read-only file is refused. False when
// nothing was replaced; no temporary file is then left behind.
bool replace_file_content(const char* path, std::string_view content);

}  // namespace plat

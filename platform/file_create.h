// Making a new file without ever overwriting one, and telling what a path
// names, for the remote tool.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

enum class PathKind { Missing, File, Folder, Other };

// What path names; size is set for a file.
PathKind path_kind(const char* path, uint64_t& size);

// Creates path, which must not exist yet, writes content and flushes it to
// disk. False when the file existed or any step failed; a file this call
// created is then removed again.
bool write_new_file(const char* path, const std::string& content);

// Gives the file from the name to in one step, but only when to does not
// exist. False when it exists or the move failed; from is then left alone.
bool move_to_new_name(const char* from, const char* to);

enum class NewFile { Ok, Exists, Link, Folder, NotFile, ReadOnly, NoFolder, Denied, Failed };

// Whether a file can be written at path now, before the work of making its
// content: a new empty file is made beside it and removed again. Without
// replace, anything at path is in the way (Exists, Link to a missing file,
// Folder, NotFile); with it, a regular file may be replaced as
// replace_file_content does, through links, unless it is ReadOnly.
NewFile check_new_file(const char* path, bool replace);

}  // namespace plat

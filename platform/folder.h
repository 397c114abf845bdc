// Listing a folder, in the plug-in's one character set: names are the 8-bit
// bytes the system gives (the ANSI code page on Windows), never converted.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// More entries than this are not listed: a plug-in folder holds a handful.
constexpr size_t kMaxFolderEntries = 10000;

// The names of the entries of folder (which ends in a path separator) that
// match pattern, in the order the system returns them, whatever their
// attributes, sub-folders included ("." and ".." are no entries). A missing
// or unreadable folder, or an empty folder text, lists nothing.
std::vector<std::string> find_files(const std::string& folder, const char* pattern);

// '*' stands for any run of characters, '?' for one; ASCII letters match in
// either case, every other byte only itself.
bool wildcard_match(std::string_view name, std::string_view pattern);

// Whether two names of entries in one folder name the same entry as the
// system compares names: on Windows without regard to letter case, as the
// ANSI code page folds it; on POSIX byte for byte, as "a.cfg" and "A.cfg"
// are two files there.
bool same_file_name(std::string_view a, std::string_view b);

// What a listing keeps of a name the system returned.
bool folder_entry_listed(std::string_view name, std::string_view pattern);

}  // namespace plat

#include "platform/folder.h"

#include <dirent.h>

namespace plat {

std::vector<std::string> find_files(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  // readdir's own order, as FindNextFile gives the directory's order.
  while (names.size() < kMaxFolderEntries) {
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    if (folder_entry_listed(entry->d_name, pattern)) names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  return names;
}

bool same_file_name(std::string_view a, std::string_view b) { return a == b; }

}  // namespace plat

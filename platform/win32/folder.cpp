#include "platform/folder.h"

#include <windows.h>

namespace plat {

std::vector<std::string> find_files(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    // The system also matches the short 8.3 name ("abc.cfgx" as ABC~1.CFG);
    // only the name the user sees counts.
    if (folder_entry_listed(found.cFileName, pattern)) names.emplace_back(found.cFileName);
  } while (names.size() < kMaxFolderEntries && FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

}  // namespace plat

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

bool same_file_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::string upper_a(a), upper_b(b);
  if (!upper_a.empty()) {
    CharUpperBuffA(upper_a.data(), static_cast<DWORD>(upper_a.size()));
    CharUpperBuffA(upper_b.data(), static_cast<DWORD>(upper_b.size()));
  }
  return upper_a == upper_b;
}

}  // namespace plat

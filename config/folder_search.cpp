#include "config/folder_search.h"

#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "config/text.h"

namespace {

// '*' stands for any run of characters, '?' for one; letter case is ignored.
bool WildcardMatch(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0;
  size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

std::vector<std::string> FolderSearch(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  try {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    // A missing or unreadable folder lists nothing; an error half-way ends the list.
    for (auto end = std::filesystem::directory_iterator(); !error && entries != end;
         entries.increment(error)) {
      std::string name = entries->path().filename().string();
      if (WildcardMatch(name, pattern)) names.push_back(std::move(name));
    }
  } catch (const std::exception&) {
    // A name the narrow character set cannot hold, or no memory: keep what was found.
  }
  return names;
}

// The matching shared by both backends' folder listing.
#include "platform/folder.h"

namespace plat {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

bool wildcard_match(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0;
  size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
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

bool folder_entry_listed(std::string_view name, std::string_view pattern) {
  return name != "." && name != ".." && wildcard_match(name, pattern);
}

}  // namespace plat

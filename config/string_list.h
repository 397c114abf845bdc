// An ordered list of text lines, as the shared lists use it. Lookups by name
// ignore letter case, so no list needs a case setting of its own.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace config {

class StringList {
 public:
  void Add(std::string_view line) { lines_.emplace_back(line); }
  void Clear() { lines_.clear(); }
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_[static_cast<size_t>(index)]; }

  // Index of the first line that holds "=" and whose text before it equals
  // name, ignoring letter case; -1 when none does.
  int IndexOfName(std::string_view name) const;
  // Text after the first "=" of line index; empty when there is no such line
  // or it holds no "=".
  std::string ValueOfEntry(int index) const;

 private:
  std::vector<std::string> lines_;
};

}  // namespace config

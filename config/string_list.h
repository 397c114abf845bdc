// An ordered list of text lines, as the shared lists (the dialog's device
// lines and key lines, the remote's name) hold them.
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

 private:
  std::vector<std::string> lines_;
};

}  // namespace config

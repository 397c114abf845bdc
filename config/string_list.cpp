#include "config/string_list.h"

#include "config/text.h"

namespace config {

int StringList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view line = lines_[i];
    size_t equals = line.find('=');
    if (equals != std::string_view::npos && EqualsIgnoreCase(line.substr(0, equals), name))
      return static_cast<int>(i);
  }
  return -1;
}

std::string StringList::ValueOfEntry(int index) const {
  if (index < 0 || index >= Count()) return {};
  const std::string& line = lines_[static_cast<size_t>(index)];
  size_t equals = line.find('=');
  if (equals == std::string::npos) return {};
  return line.substr(equals + 1);
}

}  // namespace config

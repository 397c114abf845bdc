#include "config/key_index.h"

#include <algorithm>
#include <optional>

#include "config/code_text.h"

namespace config {

KeyIndex::KeyIndex(const std::vector<DefinitionKey>& keys, std::string remote_name)
    : remote_name_(std::move(remote_name)) {
  keys_.reserve(keys.size());
  for (const DefinitionKey& key : keys) {
    if (std::optional<uint64_t> code = CodeOfText(key.code)) keys_.push_back({*code, key.name});
  }
  // Stable, so that of equal codes the first in file order stays.
  std::stable_sort(keys_.begin(), keys_.end(), [](const Key& a, const Key& b) { return a.code < b.code; });
  keys_.erase(
      std::unique(keys_.begin(), keys_.end(), [](const Key& a, const Key& b) { return a.code == b.code; }),
      keys_.end());
  keys_.shrink_to_fit();
}

const KeyIndex::Key* KeyIndex::Find(uint64_t code) const {
  auto found = std::lower_bound(keys_.begin(), keys_.end(), code,
                                [](const Key& key, uint64_t value) { return key.code < value; });
  return found != keys_.end() && found->code == code ? &*found : nullptr;
}

}  // namespace config

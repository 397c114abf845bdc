#include "config/key_index.h"

#include <algorithm>

namespace config {

KeyIndex::KeyIndex(const std::vector<DefinitionKey>& keys, std::string remote_name)
    : remote_name_(std::move(remote_name)) {
  const std::vector<CodePlace> places = KeysByCode(keys);
  keys_.reserve(places.size());
  // Within one code the first in file order comes first.
  for (const CodePlace& place : places) {
    if (keys_.empty() || keys_.back().code != place.code) keys_.push_back({place.code, keys[place.key].name});
  }
  keys_.shrink_to_fit();
}

const KeyIndex::Key* KeyIndex::Find(uint64_t code) const {
  auto found = std::lower_bound(keys_.begin(), keys_.end(), code,
                                [](const Key& key, uint64_t value) { return key.code < value; });
  return found != keys_.end() && found->code == code ? &*found : nullptr;
}

}  // namespace config

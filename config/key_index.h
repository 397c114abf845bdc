// A definition's keys by code, built once at load, so that naming a key is a
// binary search over numbers instead of a scan over text lines.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/definition.h"

namespace config {

class KeyIndex {
 public:
  struct Key {
    uint64_t code = 0;
    std::string name;
  };

  KeyIndex() = default;
  // Only entries whose code text is the one the plug-in writes for a code
  // (in any letter case) are indexed, and of those naming the same code the
  // first in file order.
  KeyIndex(const std::vector<DefinitionKey>& keys, std::string remote_name);

  // The key that names code; null when none does. Allocates nothing.
  const Key* Find(uint64_t code) const;
  // The definition's Name, given with every key found.
  const std::string& RemoteName() const { return remote_name_; }
  size_t Size() const { return keys_.size(); }

 private:
  std::vector<Key> keys_;  // sorted by code, one per code
  std::string remote_name_;
};

}  // namespace config

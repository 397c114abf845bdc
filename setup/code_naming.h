// A key code as the key event engine writes and names it.
#pragma once
#include <cstdint>
#include <string>

namespace setup {

struct NamedCode {
  std::string text;  // as the key event engine writes it
  std::string key;   // the name KeyList gives it, or the text when none does
};

// Reads the loaded keys; call on the core's thread.
NamedCode NameCode(uint64_t code);

}  // namespace setup

#include "config/hex.h"

namespace config {

std::optional<uint64_t> ParseHexDigits(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
    if (value > (UINT64_MAX >> 4)) return std::nullopt;
    value = (value << 4) | digit;
  }
  return value;
}

uint32_t HexTextToInt(std::string_view text) {
  // Any text not starting with "0x" gets the prefix, so only what follows it
  // counts: one or more hexadecimal digits and nothing else.
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  return static_cast<uint32_t>(ParseHexDigits(text).value_or(0));
}

}  // namespace config

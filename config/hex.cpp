#include "config/hex.h"

namespace config {

namespace {

// The digit's value, or 16 for any other character.
unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return 16;
}

}  // namespace

std::optional<uint64_t> ParseHexDigits(std::string_view digits) {
  if (!IsHexText(digits)) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    if (value > (UINT64_MAX >> 4)) return std::nullopt;
    value = (value << 4) | DigitValue(c);
  }
  return value;
}

bool IsHexText(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (DigitValue(c) > 15) return false;
  return true;
}

std::string_view WithoutHexPrefix(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  return text;
}

uint32_t HexTextToInt(std::string_view text) {
  // Any text not starting with "0x" gets the prefix, so only what follows it
  // counts: one or more hexadecimal digits and nothing else.
  return static_cast<uint32_t>(ParseHexDigits(WithoutHexPrefix(text)).value_or(0));
}

}  // namespace config

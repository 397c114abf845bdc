#include "config/code_text.h"

#include <cstring>

#include "config/hex.h"

namespace config {

size_t FormatCodeText(uint64_t code, std::span<char, kCodeTextSize> out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  size_t digits = 1;
  for (uint64_t rest = code >> 4; rest != 0; rest >>= 4) ++digits;
  if (digits < CodeDigits) digits = CodeDigits;

  std::memset(out.data(), 0, out.size());
  for (size_t i = digits; i-- > 0;) {
    out[i] = kDigits[code & 0xF];
    code >>= 4;
  }
  return digits;
}

std::string CodeText(uint64_t code) {
  char text[kCodeTextSize];
  return std::string(text, FormatCodeText(code, text));
}

std::optional<uint64_t> CodeOfText(std::string_view text) {
  // The written text has exactly CodeDigits digits, or more with no leading zero.
  if (text.size() < CodeDigits || text.size() > 16 || (text.size() > CodeDigits && text[0] == '0'))
    return std::nullopt;
  return ParseHexDigits(text);
}

}  // namespace config

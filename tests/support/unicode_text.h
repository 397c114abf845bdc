// Files as an editor saves them in "Unicode": UTF-16 with its byte order mark.
#pragma once
#include <string>
#include <string_view>

inline std::string Utf16Bytes(std::u16string_view text, bool little = true) {
  std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t c : text) {
    const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    out += little ? std::string{low, high} : std::string{high, low};
  }
  return out;
}

// Letter case of file names and code texts: ASCII letters only, so the result
// does not depend on the process locale.
#pragma once
#include <string>
#include <string_view>

inline char AsciiUpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpperChar(c);
  return out;
}

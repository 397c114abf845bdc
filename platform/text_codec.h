// Conversions for files that editors saved as Unicode. The plug-in's texts are
// 8-bit ANSI; a file with a byte order mark is converted line by line, as
// Windows' profile functions do.
#pragma once
#include <string>
#include <string_view>

namespace plat {

// UTF-16 code units to ANSI text; a character the code page lacks becomes '?'.
std::string ansi_from_utf16(std::u16string_view text);
// The same, but false when a character has no ANSI form: none is replaced or
// taken for a look-alike (full-width "＝" is not "=").
bool ansi_from_utf16_exact(std::u16string_view text, std::string& out);
// ANSI text to UTF-16 code units.
std::u16string utf16_from_ansi(std::string_view text);

// UTF-8 and UTF-16; a malformed sequence becomes U+FFFD, as on Windows.
std::u16string utf16_from_utf8(std::string_view text);
std::string utf8_from_utf16(std::u16string_view text);

}  // namespace plat

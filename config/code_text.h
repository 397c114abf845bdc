// A key code as the text that names it in a remote definition's key table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace config {

constexpr size_t kCodeTextSize = 20;
// Codes are written with at least this many digits, and more only as the value needs.
constexpr size_t CodeDigits = 8;

// Upper-case hexadecimal, zero-padded to CodeDigits digits. Terminated; the
// bytes after the text are zero. Returns the number of digits.
size_t FormatCodeText(uint64_t code, std::span<char, kCodeTextSize> out);
std::string CodeText(uint64_t code);

// The code whose text this is, in any letter case; nullopt when the plug-in
// writes no code so, and an entry with this text never matches: a leading
// zero too few or too many, more than 16 digits, or not hexadecimal.
std::optional<uint64_t> CodeOfText(std::string_view text);

}  // namespace config

// The one reader of hexadecimal text: masks, key codes and card IDs.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace config {

// Hexadecimal digits in either case, without a prefix; nullopt for empty
// text, any other character, or a value that does not fit in 64 bits.
// Leading zeros are allowed in any number.
std::optional<uint64_t> ParseHexDigits(std::string_view digits);

// Whether text is one or more hexadecimal digits, however many: what tells
// a value too wide apart from one that is no number.
bool IsHexText(std::string_view text);
// text without a leading "0x" or "0X".
std::string_view WithoutHexPrefix(std::string_view text);

// A mask as the plug-in reads it: an optional "0x", then digits; anything
// else reads as 0, and only the low 32 bits count.
uint32_t HexTextToInt(std::string_view text);

}  // namespace config

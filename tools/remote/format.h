// Small text forms the tool's messages share.
#pragma once
#include <cstdint>
#include <string>

namespace remote {

// Eight upper-case hexadecimal digits.
std::string Hex(uint32_t value);
// The set bits as pin numbers with ranges: "8", "0-7", "3 5 20-23".
std::string PinList(uint32_t bits);
// "pin 8" or "pins 0-7".
std::string PinsWord(uint32_t bits);

}  // namespace remote

// Small text forms the tool's messages share.
#pragma once
#include <cstdint>
#include <string>

namespace remote {

// Upper-case hexadecimal, with leading zeros to at least digits.
std::string Hex(uint64_t value, int digits = 8);
// The set bits as pin numbers with ranges: "8", "0-7", "3 5 20-23".
std::string PinList(uint32_t bits);
// "pin 8" or "pins 0-7".
std::string PinsWord(uint32_t bits);

}  // namespace remote

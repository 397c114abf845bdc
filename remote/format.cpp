#include "remote/format.h"

#include <bit>

namespace remote {

std::string Hex(uint64_t value, int digits) {
  std::string text;
  do {
    text.insert(text.begin(), "0123456789ABCDEF"[value & 15]);
    value >>= 4;
  } while (value != 0 || static_cast<int>(text.size()) < digits);
  return text;
}

std::string PinList(uint32_t bits) {
  std::string out;
  for (int pin = 0; pin < 32; ++pin) {
    if (!(bits >> pin & 1u)) continue;
    int last = pin;
    while (last < 31 && (bits >> (last + 1) & 1u)) ++last;
    if (!out.empty()) out += " ";
    out += std::to_string(pin);
    if (last > pin) out += "-" + std::to_string(last);
    pin = last;
  }
  return out;
}

std::string PinsWord(uint32_t bits) { return (std::popcount(bits) == 1 ? "pin " : "pins ") + PinList(bits); }

}  // namespace remote

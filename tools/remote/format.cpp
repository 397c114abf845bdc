#include "tools/remote/format.h"

#include <bit>
#include <cstdio>

namespace remote {

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
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

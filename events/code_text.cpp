#include "events/code_text.h"

#include <algorithm>
#include <cstring>

namespace events {

size_t FormatCodeText(uint64_t code, int32_t min_digits, std::span<char, kCodeTextSize> out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  int32_t needed = 1;
  for (uint64_t rest = code >> 4; rest != 0; rest >>= 4) ++needed;
  const int32_t digits = std::max(needed, std::clamp<int32_t>(min_digits, 1, kCodeTextMaxDigits));

  std::memset(out.data(), 0, out.size());
  for (int32_t i = digits - 1; i >= 0; --i) {
    out[static_cast<size_t>(i)] = kDigits[code & 0xF];
    code >>= 4;
  }
  return static_cast<size_t>(digits);
}

}  // namespace events

#include "device/card_makers.h"

namespace device {

namespace {

struct CardMaker {
  uint32_t sub_vendor;
  const char* suffix;
};

// Adding a maker is one row.
constexpr CardMaker kCardMakers[] = {
    {0x1461, " (AverTV 307)"},
    {0x5168, " (LifeView)"},
    {0x5456, " (GotView)"},
};

}  // namespace

const char* CardMakerSuffix(uint32_t subVendor) {
  for (const CardMaker& maker : kCardMakers) {
    if (maker.sub_vendor == subVendor) return maker.suffix;
  }
  return "";
}

}  // namespace device

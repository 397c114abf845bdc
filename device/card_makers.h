// The card makers the device lines name, by PCI subsystem vendor.
#pragma once
#include <cstdint>

namespace device {

// " (maker)" for a known subsystem vendor, otherwise "".
const char* CardMakerSuffix(uint32_t subVendor);

}  // namespace device

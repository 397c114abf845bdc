// Which core versions the plug-in works with.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plugin {

// Where the core's version sits in the CoreInfo record the core passes to Open.
constexpr size_t kCoreInfoVersionOffset = 28;

// Bits 16-31 must be 0x0207 and bits 8-15 at least 12; bits 0-7 do not count.
constexpr bool CoreVersionAccepted(uint32_t version) {
  return (version >> 16) == 0x0207 && ((version >> 8) & 0xFF) >= 12;
}

}  // namespace plugin

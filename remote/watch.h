// One readable line per change of the pins.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "remote/plugin_link.h"

namespace remote {

// previous is empty for the first sample. With a definition, pressed carries
// the press condition from one line to the next, as in the polling thread.
std::string WatchLine(uint32_t elapsed_ms, uint32_t sample, std::optional<uint32_t> previous,
                      const Definition* definition, bool& pressed);

}  // namespace remote

// The watch command: one readable line per change of the pins.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "config/definition.h"
#include "config/key_index.h"
#include "remote/command.h"
#include "remote/io.h"

namespace remote {

// A definition as the pins are read with it.
struct WatchedDefinition {
  config::Masks masks;
  config::KeyIndex keys;
};

// previous is empty for the first sample. With a definition, pressed carries
// the press condition from one line to the next, as in the polling thread.
std::string WatchLine(uint32_t elapsed_ms, uint32_t sample, std::optional<uint32_t> previous,
                      const WatchedDefinition* definition, bool& pressed);

// Until Ctrl+C or --duration; 2 when the definition or the card cannot be read.
int WatchCommand(const Options& o, Output& out, Output& err);

}  // namespace remote

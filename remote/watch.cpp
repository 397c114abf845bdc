#include "remote/watch.h"

#include <cstdio>

#include "remote/format.h"

namespace remote {

std::string WatchLine(uint32_t elapsed_ms, uint32_t sample, std::optional<uint32_t> previous,
                      const Definition* definition, bool& pressed) {
  char head[64];
  std::snprintf(head, sizeof head, "%5u.%03u s  %08X  ", elapsed_ms / 1000, elapsed_ms % 1000, sample);
  std::string line = head;
  std::string change = "first sample";
  if (previous) {
    const uint32_t bits = sample ^ *previous;
    change = "changed " + Hex(bits) + " (" + PinsWord(bits) + ")";
  }
  if (definition == nullptr) return line + change;
  if (change.size() < 36) change.resize(36, ' ');
  line += change + "  ";
  const Decision d = Decide(sample, definition->masks, pressed);
  if (!d.pressed) return line + "not pressed";
  const std::string code = CodeText(d.code);
  const KeyName key = NameCode(code, definition->keys);
  return line + "pressed      " + code + "  " + (key.found ? key.name : "(not in [Keys])");
}

}  // namespace remote

#include "remote/watch.h"

#include <cstdio>

#include "config/code_text.h"
#include "device/poll_cycle.h"
#include "platform/console.h"
#include "platform/sync.h"
#include "remote/check.h"
#include "remote/format.h"

namespace remote {

std::string WatchLine(uint32_t elapsed_ms, uint32_t sample, std::optional<uint32_t> previous,
                      const WatchedDefinition* definition, bool& pressed) {
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
  const device::PollReport d = device::PollDecide(sample, definition->masks, pressed);
  if (!d.Pressed) return line + "not pressed";
  const config::KeyIndex::Key* key = definition->keys.Find(d.Code);
  return line + "pressed      " + config::CodeText(d.Code) + "  " +
         (key != nullptr ? key->name : "(not in [Keys])");
}

int WatchCommand(const Options& o, Output& out, Output& err) {
  std::optional<WatchedDefinition> definition;
  int32_t reset_pin = -1;
  if (!o.definition.empty()) {
    const config::Definition read = config::ReadDefinition(o.definition);
    if (read.lines.empty()) {
      err << o.definition << ": cannot be read as a definition\n";
      return 2;
    }
    definition = WatchedDefinition{read.masks, config::KeyIndex(read.keys, read.name)};
    reset_pin = read.reset_adr;
    out << DescribeDefinition(o.definition, read) << "\n";
  }
  InterruptScope interrupt;
  CardScope card(o.device, out, err);
  if (!card.open()) return 2;
  out << "Watching the pins; Ctrl+C ends.\n";
  const uint32_t start = plat::tick_count();
  std::optional<uint32_t> previous;
  bool pressed = false;
  int changes = 0;
  while (!plat::interrupted()) {
    const uint32_t elapsed = plat::tick_count() - start;
    if (o.duration > 0 && elapsed >= static_cast<uint32_t>(o.duration)) break;
    const uint32_t sample = device::ReadAllPins(card.card(), reset_pin);
    if (!previous || sample != *previous) {
      out << WatchLine(elapsed, sample, previous, definition ? &*definition : nullptr, pressed) << "\n";
      if (previous) ++changes;
      previous = sample;
    }
    plat::sleep_ms(static_cast<uint32_t>(o.interval));
  }
  out << (plat::interrupted() ? "Stopped" : "Done") << " after " << changes
      << (changes == 1 ? " change" : " changes") << "; the device is closed.\n";
  return 0;
}

}  // namespace remote

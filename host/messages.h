// A core's side of the messages: pumping the calling thread's window
// messages, and the key-event record read as texts while it is handled.
#pragma once
#include <cstdint>
#include <string>

#include "events/key_event_record.h"
#include "platform/sync.h"
#include "platform/window.h"

namespace host {

// Dispatches the calling thread's sent and posted messages until done() holds;
// false when guard_ms passed first (a guard against hangs, not a timing).
template <typename Done>
bool PumpUntil(Done done, uint32_t guard_ms) {
  const uint32_t start = plat::tick_count();
  while (!done()) {
    if (plat::tick_count() - start >= guard_ms) return false;
    plat::wait_for_message(10);  // dispatches sent messages on the way
    plat::Message m;
    while (plat::peek_message(m)) plat::dispatch_message(m);
  }
  return true;
}

// Pumps for ms milliseconds.
void PumpFor(uint32_t ms);

// The record as the core reads it while it handles a KeyNotify: each text up
// to its terminator, the two texts through their 32-bit addresses.
struct RecordTexts {
  std::string instance;
  std::string key_name;
  std::string code_text;
  std::string remote_name;
  std::string ext_tag;
  int32_t ext_value = 0;
};

RecordTexts ReadRecord(const events::KeyEventRecordT& record);

}  // namespace host

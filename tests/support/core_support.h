// What a stand-in core needs, shared by the tests, the demo and the bench:
// one message pump, the record read as texts, and a CoreInfo block. Header
// only and free of the test framework, so the tools use it as well.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "config/code_text.h"
#include "events/key_event_record.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/version_check.h"

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

inline void PumpFor(uint32_t ms) {
  const uint32_t start = plat::tick_count();
  PumpUntil([&] { return plat::tick_count() - start >= ms; }, ms + 1000);
}

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

inline std::string TextAt(uint32_t address, size_t size) {
  const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(address));
  return text == nullptr ? std::string() : std::string(text, strnlen(text, size));
}

inline RecordTexts ReadRecord(const events::KeyEventRecordT& r) {
  RecordTexts t;
  t.instance.assign(r.InstanceName, strnlen(r.InstanceName, sizeof r.InstanceName));
  t.key_name.assign(r.KeyName, strnlen(r.KeyName, sizeof r.KeyName));
  t.code_text = TextAt(r.CodeText, config::kCodeTextSize);
  t.remote_name = TextAt(r.RemoteName, events::kRemoteNameSize);
  t.ext_tag.assign(r.ExtTag, strnlen(r.ExtTag, sizeof r.ExtTag));
  t.ext_value = r.ExtValue;
  return t;
}

// A CoreInfo-shaped block carrying a version.
struct CoreInfoBlock {
  uint8_t bytes[64] = {};
  explicit CoreInfoBlock(uint32_t version) {
    std::memcpy(bytes + plugin::kCoreInfoVersionOffset, &version, sizeof version);
  }
};

// The key event engine: turns reports from the press slot into press,
// auto-repeat and release notifications with the configured timing.
// Plain code: the caller hands in what happened (a report, or a wait that
// timed out) with the tick count, waits as told, and receives the effects
// through KeyEngineOutput. The release time-out is the engine's own.
#pragma once
#include <cstdint>
#include <span>

#include <string_view>

#include "config/code_text.h"
#include "config/key_index.h"
#include "config/settings.h"
#include "device/press_slot.h"
#include "events/key_event_record.h"

namespace events {

// The remote name of a code the key table does not hold.
inline constexpr std::string_view kUndefinedRemoteName = "<undefined>";

// The key timings come unchecked from the settings file; every use bounds
// them, so no value makes the thread spin or wait practically forever.
constexpr uint32_t kMinKeyWaitMs = 10;
constexpr uint32_t kMaxKeyWaitMs = 60000;
// The setting taken as unsigned milliseconds, then bounded.
uint32_t BoundKeyWait(int32_t ms);

// The settings as they stand at the moment of use.
struct KeyTimings {
  int32_t wait1 = config::kDefaultWait1;   // press to first auto-repeat
  int32_t wait_n = config::kDefaultWaitN;  // between auto-repeats
  int32_t wait_r = config::kDefaultWaitR;  // no report for this long counts as a release
};

// Where the engine writes the names of the current key.
struct KeyTexts {
  std::span<char, kKeyNameSize> key_name;            // the record's KeyName
  std::span<char, config::kCodeTextSize> code_text;  // the thread's code text buffer
  std::span<char, kRemoteNameSize> remote_name;      // the thread's remote name buffer
};

class KeyEngineOutput {
 public:
  // A notification with its repeat count (-1 for a release). False when the
  // engine must give up at once and touch nothing more.
  virtual bool Notify(int32_t repeat_count) = 0;
  // A change of the sample: pressed with its code, or released.
  virtual void Monitor(bool pressed, uint64_t code) = 0;

 protected:
  ~KeyEngineOutput() = default;
};

class KeyEngine {
 public:
  // timings fix the wait limit while a key is held for the engine's life.
  // keys names the codes (null: none is named) and must outlive the engine.
  KeyEngine(const KeyTimings& timings, const config::KeyIndex* keys, KeyTexts texts, KeyEngineOutput& output);

  // One pass: takes report when there is one (taken at tick count now),
  // names a change, notifies and monitors. False when an output asked to end.
  bool Pass(const device::PressReport* report, uint32_t now, const KeyTimings& timings);
  // A pass after a wait that timed out with no report: when the held key has
  // had none for the release time-out, the pass handles its release.
  bool TimedOut(uint32_t now, const KeyTimings& timings);

  // How long to wait for the next report: plat::kInfinite while no key is
  // held, the fixed limit while one is.
  uint32_t NextWait() const;

 private:
  bool AutoRepeat(uint32_t now, const KeyTimings& timings);

  const config::KeyIndex* keys_;
  KeyTexts texts_;
  KeyEngineOutput& output_;

  uint64_t current_code_ = ~uint64_t{0};
  bool current_pressed_ = false;
  uint64_t previous_code_ = ~uint64_t{0};
  bool previous_pressed_ = false;
  int32_t repeat_count_ = 0;
  uint32_t sample_time_ = 0;
  uint32_t last_notify_time_ = 0;
  uint32_t current_wait_;
  const uint32_t wait_timeout_;
};

}  // namespace events

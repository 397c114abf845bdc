// The key event engine: turns reports from the press slot into press,
// auto-repeat and release notifications with the configured timing.
// Plain code: the caller hands in each report and the tick count, waits as
// told, and receives the effects through KeyEngineOutput.
#pragma once
#include <cstdint>
#include <span>

#include "device/press_slot.h"

class StringList;

// The key timings come unchecked from the settings file; every use bounds
// them, so no value makes the thread spin or wait practically forever.
constexpr uint32_t kMinKeyWaitMs = 10;
constexpr uint32_t kMaxKeyWaitMs = 60000;
// The setting taken as unsigned milliseconds, then bounded.
uint32_t BoundKeyWait(int32_t ms);

// The settings as they stand at the moment of use.
struct KeyTimings {
  int32_t wait1 = 300;   // press to first auto-repeat
  int32_t wait_n = 100;  // between auto-repeats
  int32_t wait_r = 200;  // no report for this long counts as a release
  int32_t code_digits = 8;
};

// Where the engine writes the names of the current key.
struct KeyTexts {
  std::span<char, 124> key_name;    // the record's KeyName
  std::span<char, 20> code_text;    // the thread's code text buffer
  std::span<char, 64> remote_name;  // the thread's remote name buffer
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
  // The lists must not change while the engine runs.
  KeyEngine(const KeyTimings& timings, const StringList* keys, const StringList* remotes,
            KeyTexts texts, KeyEngineOutput& output);

  // One pass: takes report when there is one (taken at tick count now),
  // names a change, notifies and monitors. False when an output asked to end.
  bool Pass(const PressReport* report, uint32_t now, const KeyTimings& timings);

  // How long to wait for the next report: plat::kInfinite while no key is
  // held, the fixed limit while one is.
  uint32_t NextWait() const;

  // After a wait that timed out: true when the held key has had no report for
  // the release time-out, so the caller must hand in a release report.
  bool ReleaseDue(uint32_t now, const KeyTimings& timings) const;

  bool Held() const { return previous_pressed_; }
  int32_t RepeatCount() const { return repeat_count_; }
  uint32_t WaitTimeout() const { return wait_timeout_; }

 private:
  bool Change(uint32_t now, const KeyTimings& timings);
  bool AutoRepeat(uint32_t now, const KeyTimings& timings);

  const StringList* keys_;
  const StringList* remotes_;
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

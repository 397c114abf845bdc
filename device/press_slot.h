// The hand-off of key reports from the GPIO polling thread to the key event
// thread: the press slot and KeyEvent, the event object that wakes the latter.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/types.h"

namespace device {

struct PressReport {
  uint64_t Code = 0;
  bool Pressed = false;
};

// One 64-bit word: the code in the low half (a GPIO code never uses the high
// half), the pressed bit and the new bit above it. Code and flag travel
// together, and taking a report clears only the new bit, so a report that
// arrives while the previous one is taken stays marked new.
class PressSlot {
 public:
  // Writer side (polling thread): a pressed report with its code, or a
  // release report that keeps the code of the last press; then KeyEvent
  // signalled if it exists. Never blocks or allocates.
  void Report(bool pressed, uint32_t code);
  // Reader side: takes the newest untaken report, code and flag of one report.
  bool Take(PressReport& out);
  bool HasNew() const;
  // Back to the all-zero state: no report. Only while no thread publishes or
  // takes, as when polling begins, so that a run never sees a report an
  // earlier run left untaken.
  void Clear();

  // KeyEvent: made after polling began (manual reset, not signalled; null
  // when it cannot be made) and closed after both threads ended or gave up,
  // so it outlives every thread that waits on it or signals it.
  plat::Handle OpenKeyEvent();
  void CloseKeyEvent();
  plat::Handle KeyEvent() const { return key_event_.load(std::memory_order_acquire); }

 private:
  std::atomic<uint64_t> word_{0};
  std::atomic<plat::Handle> key_event_{nullptr};
};

}  // namespace device

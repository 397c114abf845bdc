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

// Opened by Start after polling began, closed by Stop after both threads
// ended (or gave up), so it outlives every thread that waits on it or
// signals it.
extern std::atomic<plat::Handle> KeyEvent;
// The new KeyEvent, manual reset and not signalled; null when it cannot be made.
plat::Handle OpenKeyEvent();
void CloseKeyEvent();

// Writer side (polling thread): a pressed report with its code, or a release
// report that keeps the code of the last press. Never blocks or allocates.
void PressSlotPublish(bool pressed, uint32_t code);
// A report as the polling thread hands it over: published, then KeyEvent
// signalled if it exists (read afresh, as Start creates it after polling began).
void PressSlotReport(bool pressed, uint32_t code);
// Reader side: takes the newest untaken report, code and flag of one report.
bool PressSlotTake(PressReport& out);
bool PressSlotHasNew();
// Back to the all-zero state of load: no report. Only while no thread
// publishes or takes, as when polling begins, so that a run never sees a
// report an earlier run left untaken.
void PressSlotClear();

}  // namespace device

// The hand-off of key reports from the GPIO polling thread to the key event
// thread, and the event object that wakes the latter.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/types.h"

struct PressReport {
  uint64_t Code = 0;
  bool Pressed = false;
};

// Created by Start after polling began, closed by Stop after it ended.
extern std::atomic<plat::Handle> KeyEvent;

// Writer side (polling thread): a pressed report with its code, or a release
// report that keeps the code of the last press. Never blocks or allocates.
void PressSlotPublish(bool pressed, uint32_t code);
// Key event thread's own release sample after its time-out.
void PressSlotPublishRelease();
// Reader side: takes the newest untaken report, code and flag of one report.
bool PressSlotTake(PressReport& out);
bool PressSlotHasNew();
// Test helper: back to the all-zero state of load.
void PressSlotResetForTesting();

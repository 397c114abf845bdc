// The thread that turns reports from the press slot into key notifications.
// Every Start begins a new run of it with a control block of its own: its
// stop flag (KeyEventStop, set once by Stop and never cleared), its wake-up
// event, its handle and whether it is inside a delivery. The block is shared
// by the core's thread and the run's thread and freed by whichever lets go
// last, so a run that Stop had to give up still reads its own flag when its
// delivery returns, and ends there, whatever the core has done meanwhile.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "config/key_index.h"
#include "device/press_slot.h"
#include "events/key_engine.h"
#include "events/key_event_record.h"
#include "platform/types.h"

namespace events {

// The key timings, read live at every pass: the setup dialog changes them
// while the thread runs.
struct KeyWaits {
  const std::atomic<int32_t>* wait1 = nullptr;
  const std::atomic<int32_t>* wait_n = nullptr;
  const std::atomic<int32_t>* wait_r = nullptr;
};

// What a run works with, fixed when it starts. The run writes the record and
// takes reports only in its passes, and a run asked to end runs none. The
// sink, which the plug-in implements, decides between the core and the setup
// dialog; it is called on the run's thread, and its Notify delivers a
// KeyNotify synchronously. After each delivery the run also ends when its own
// stop flag is set.
struct KeyEventThreadSetup {
  KeyEngineOutput* sink = nullptr;
  KeyEventRecordT* record = nullptr;
  std::shared_ptr<const config::KeyIndex> keys;  // the run keeps the keys it started with
  device::PressSlot* slot = nullptr;
  plat::Handle wake = nullptr;  // the slot's KeyEvent; the slot owns it
  KeyWaits waits;
};

// Core's thread. Starts a run; false, with nothing left behind, when the
// thread cannot be created.
bool StartKeyEventThread(const KeyEventThreadSetup& setup);
// Core's thread. Asks the current run to end and waits for it, letting a
// delivery in flight through. Called from inside the core's handler of that
// run's own delivery, it cannot wait: it gives the run up instead, and the
// run ends as soon as the delivery returns, touching nothing after it.
void StopKeyEventThread();
bool KeyEventThreadRunning();

// The thread routine; its argument is the run's control block.
unsigned KeyEventThread(void* run);

}  // namespace events

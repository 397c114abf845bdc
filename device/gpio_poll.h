// The GPIO polling thread and its start and stop.
#pragma once
#include <atomic>
#include <cstdint>

#include "config/definition.h"
#include "device/gpio_device.h"
#include "device/press_slot.h"
#include "platform/types.h"

namespace device {

// What a polling run works with, fixed when it starts.
struct PollSetup {
  int32_t device = 0;  // which device to open
  config::Masks masks;
  int32_t reset_pin = -1;
  // Read live: the setup dialog changes it while the thread runs.
  const std::atomic<int32_t>* interval = nullptr;
  PressSlot* slot = nullptr;  // must outlive the run
};

// One polling run at a time: the opened card and the thread that samples it
// once per Interval and hands every key report to the press slot. Start and
// stop on the core's thread.
class Polling {
 public:
  // Empties DeviceList, opens the device (refilling the list) and starts the
  // thread; false, after the open error's message box, with nothing left
  // open, when that fails.
  bool StartPolling(const PollSetup& setup);
  // Ends the thread and closes the device; also when the start failed halfway.
  void StopPolling();

 private:
  static unsigned GpioPollThread(void* polling);
  void ForgetStopEvent();

  PollSetup setup_;
  Card card_;
  plat::Handle thread_ = nullptr;  // core's thread only
  // 0 while the thread is to run, 1 to make it end.
  std::atomic<int32_t> PollStopFlag{0};
  // Ends the pause between samples at once when a stop is requested, so a
  // long Interval does not hold up Stop.
  std::atomic<plat::Handle> stop_event_{nullptr};
};

}  // namespace device

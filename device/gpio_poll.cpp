// The GPIO polling thread: samples the pins once per Interval and hands every
// key report to the key event thread through the press slot.
#include "device/gpio_poll.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "config/settings.h"
#include "device/gpio_device.h"
#include "device/open_errors.h"
#include "device/poll_cycle.h"
#include "device/press_slot.h"
#include "platform/message_box.h"
#include "platform/sync.h"

namespace device {

namespace {

// 0 while the thread is to run, 1 to make it end.
std::atomic<int32_t> PollStopFlag{0};

// Core's thread only: set before the thread starts, cleared after it ended.
plat::Handle PollThread = nullptr;
// Ends the pause between samples at once when a stop is requested, so a long
// Interval does not hold up Stop.
std::atomic<plat::Handle> PollStopEvent{nullptr};

void ShowOpenError(int32_t code) {
  char text[1024];
  std::snprintf(text, sizeof(text), "%s%s%s", "Error initializing video capture device.\n",
                OpenErrorText(code), "\nBe sure you are using SAA713x Philips reference WDM driver.");
  plat::message_box(text, "SAA713x", plat::kMbIconError | plat::kMbOk);
}

void ForgetStopEvent() { plat::close_handle(PollStopEvent.exchange(nullptr, std::memory_order_acq_rel)); }

}  // namespace

bool StartPolling() {
  if (DeviceList != nullptr) DeviceList->Clear();
  int32_t code = OpenDevice(config::Device.load(std::memory_order_relaxed));
  if (code != 0) {
    ShowOpenError(code);
    return false;
  }
  PollStopFlag.store(0, std::memory_order_relaxed);
  plat::Handle stop = plat::create_event();
  if (stop == nullptr) {
    CloseDevice();
    return false;
  }
  PollStopEvent.store(stop, std::memory_order_release);
  // A report the last run published after its key thread had ended must not
  // reach this run's key thread as a press of a key no longer held.
  PressSlotClear();
  PollThread = plat::create_thread(GpioPollThread, nullptr);
  if (PollThread == nullptr) {
    ForgetStopEvent();
    CloseDevice();
    return false;
  }
  return true;
}

void StopPolling() {
  if (PollThread != nullptr) {
    PollStopFlag.store(1, std::memory_order_relaxed);
    plat::set_event(PollStopEvent.load(std::memory_order_acquire));
    plat::wait(PollThread, plat::kInfinite);
    plat::close_handle(PollThread);
    PollThread = nullptr;
    ForgetStopEvent();
  }
  CloseDevice();
}

unsigned GpioPollThread(void*) {
  plat::Handle stop = PollStopEvent.load(std::memory_order_acquire);
  bool previousPressed = false;
  while (PollStopFlag.load(std::memory_order_relaxed) == 0) {
    uint32_t sample = ReadAllPins(config::ResetAdr.load(std::memory_order_relaxed));
    PollMasks masks;
    masks.PressMask = config::PressMask.load(std::memory_order_relaxed);
    masks.PressFlag = config::PressFlag.load(std::memory_order_relaxed);
    masks.KeyMask = config::KeyMask.load(std::memory_order_relaxed);
    masks.ReleaseDetect = config::ReleaseDetect.load(std::memory_order_relaxed);
    PollReport report = PollDecide(sample, masks, previousPressed);
    if (report.Report) PressSlotReport(report.Pressed, report.Code);
    plat::wait(stop, PollPauseMs(config::Interval.load(std::memory_order_relaxed)));
  }
  return 0;
}

}  // namespace device

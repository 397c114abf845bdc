#include "device/gpio_poll.h"

#include <cstdio>
#include <string>
#include <vector>

#include "device/open_errors.h"
#include "device/poll_cycle.h"
#include "platform/message_box.h"
#include "platform/sync.h"

namespace device {
namespace {

void ShowOpenError(OpenError error) {
  char text[1024];
  std::snprintf(text, sizeof(text), "%s%s%s", "Error initializing video capture device.\n",
                OpenErrorText(error), "\nBe sure you are using SAA713x Philips reference WDM driver.");
  plat::message_box(text, "SAA713x", plat::kMbIconError | plat::kMbOk);
}

}  // namespace

bool Polling::StartPolling(const PollSetup& setup) {
  setup_ = setup;
  if (DeviceList != nullptr) DeviceList->Clear();
  std::vector<DeviceIds> devices;
  const OpenError error = OpenDevice(setup_.device, card_, devices);
  for (const DeviceIds& ids : devices) AddDeviceLine(DescribeDevice(ids).c_str());
  if (error != OpenError::None) {
    ShowOpenError(error);
    return false;
  }
  PollStopFlag.store(0, std::memory_order_relaxed);
  plat::Handle stop = plat::create_event();
  if (stop == nullptr) {
    CloseDevice(card_);
    return false;
  }
  stop_event_.store(stop, std::memory_order_release);
  // A report the last run published after its key thread had ended must not
  // reach this run's key thread as a press of a key no longer held.
  setup_.slot->Clear();
  thread_ = plat::create_thread(GpioPollThread, this);
  if (thread_ == nullptr) {
    ForgetStopEvent();
    CloseDevice(card_);
    return false;
  }
  return true;
}

void Polling::StopPolling() {
  if (thread_ != nullptr) {
    PollStopFlag.store(1, std::memory_order_relaxed);
    plat::set_event(stop_event_.load(std::memory_order_acquire));
    plat::wait(thread_, plat::kInfinite);
    plat::close_handle(thread_);
    thread_ = nullptr;
    ForgetStopEvent();
  }
  CloseDevice(card_);
}

void Polling::ForgetStopEvent() {
  plat::close_handle(stop_event_.exchange(nullptr, std::memory_order_acq_rel));
}

unsigned Polling::GpioPollThread(void* arg) {
  Polling& polling = *static_cast<Polling*>(arg);
  const PollSetup& setup = polling.setup_;
  const plat::Handle stop = polling.stop_event_.load(std::memory_order_acquire);
  bool previousPressed = false;
  while (polling.PollStopFlag.load(std::memory_order_relaxed) == 0) {
    const uint32_t sample = ReadAllPins(polling.card_, setup.reset_pin);
    const PollReport report = PollDecide(sample, setup.masks, previousPressed);
    if (report.Report) setup.slot->Report(report.Pressed, report.Code);
    plat::wait(stop, PollPauseMs(setup.interval->load(std::memory_order_relaxed)));
  }
  return 0;
}

}  // namespace device

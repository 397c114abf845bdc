// Start, Stop and Close: the order in which the device, the two worker
// threads and the event that links them come and go.
#include "config/settings.h"
#include "device/gpio_device.h"
#include "device/gpio_poll.h"
#include "device/press_slot.h"
#include "events/key_event_thread.h"
#include "platform/message_box.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/exports.h"
#include "plugin/state.h"

namespace {

// Set while a Stop runs; a Stop re-entered from a notification that the
// outer one lets through returns at once and leaves the work to it.
bool Stopping = false;

void CloseKeyEvent() {
  plat::Handle event = KeyEvent.exchange(nullptr, std::memory_order_acq_rel);
  if (event != nullptr) plat::close_handle(event);
}

template <typename T>
void FreeList(T*& list) {
  delete list;
  list = nullptr;
}

}  // namespace

extern "C" SAA_EXPORT void Start() {
  if (Running.load()) return;
  if (!CoreVersionOk.load()) {
    plat::message_box("Incorrect core version.", PluginDescription, plat::kMbIconError | plat::kMbOk);
    return;
  }
  if (!StartPolling()) return;
  plat::Handle event = plat::create_event();
  if (event == nullptr) {
    StopPolling();
    return;
  }
  KeyEvent.store(event, std::memory_order_release);
  // A new run with a KeyEventStop of its own, 0 from the start.
  if (!StartKeyEventThread(event)) {
    StopPolling();
    CloseKeyEvent();
    return;
  }
  Running.store(true);
}

extern "C" SAA_EXPORT void Stop() {
  if (!Running.load() || Stopping) return;
  Stopping = true;
  StopKeyEventThread();
  StopPolling();
  CloseKeyEvent();
  Running.store(false);
  Stopping = false;
}

extern "C" SAA_EXPORT void Close() {
  Stop();
  FreeList(KeyList);
  FreeList(DeviceList);
  FreeList(RemoteNameList);
}

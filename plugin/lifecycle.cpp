// Start, Stop and Close: the order in which the device, the two worker
// threads and the event that links them come and go.
#include "config/settings.h"
#include "device/gpio_device.h"
#include "device/gpio_poll.h"
#include "device/press_slot.h"
#include "events/key_event_thread.h"
#include "platform/message_box.h"
#include "platform/sync.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/key_output.h"
#include "plugin/state.h"

namespace {

// Set while a Stop runs; a Stop re-entered from a notification that the
// outer one lets through returns at once and leaves the work to it.
bool Stopping = false;

}  // namespace

extern "C" SAA_EXPORT void Start() {
  if (Running.load()) return;
  if (!CoreVersionOk.load()) {
    plat::message_box("Incorrect core version.", PluginDescription, plat::kMbIconError | plat::kMbOk);
    return;
  }
  if (!StartPolling()) return;
  const plat::Handle event = OpenKeyEvent();
  if (event == nullptr) {
    StopPolling();
    return;
  }
  // A new run with a KeyEventStop of its own, 0 from the start.
  if (!StartKeyEventThread({&KeyOutput(), &KeyEventRecord, KeyList, RemoteNameList, event})) {
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
  FreeConfigurationLists();
  FreeDeviceList();
}

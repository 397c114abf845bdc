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

namespace plugin {
namespace {

// Set while a Stop runs; a Stop re-entered from a notification that the
// outer one lets through returns at once and leaves the work to it.
bool Stopping = false;

}  // namespace
}  // namespace plugin

extern "C" SAA_EXPORT void Start() {
  if (plugin::Running.load()) return;
  if (!plugin::CoreVersionOk.load()) {
    plat::message_box("Incorrect core version.", setup::PluginDescription, plat::kMbIconError | plat::kMbOk);
    return;
  }
  if (!device::StartPolling()) return;
  const plat::Handle event = device::OpenKeyEvent();
  if (event == nullptr) {
    device::StopPolling();
    return;
  }
  // A new run with a KeyEventStop of its own, 0 from the start.
  if (!events::StartKeyEventThread(
          {&plugin::KeyOutput(), &plugin::KeyEventRecord, config::KeyList, config::RemoteNameList, event})) {
    device::StopPolling();
    device::CloseKeyEvent();
    return;
  }
  plugin::Running.store(true);
}

extern "C" SAA_EXPORT void Stop() {
  if (!plugin::Running.load() || plugin::Stopping) return;
  plugin::Stopping = true;
  events::StopKeyEventThread();
  device::StopPolling();
  device::CloseKeyEvent();
  plugin::Running.store(false);
  plugin::Stopping = false;
}

extern "C" SAA_EXPORT void Close() {
  Stop();
  config::FreeConfigurationLists();
  device::FreeDeviceList();
}

// Start, Stop and Close: the order in which the device, the two worker
// threads and the event that links them come and go.
#include "config/settings.h"
#include "device/gpio_device.h"
#include "events/key_event_thread.h"
#include "platform/message_box.h"
#include "platform/sync.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/key_output.h"
#include "plugin/state.h"

extern "C" SAA_EXPORT void Start() {
  using namespace plugin;
  if (Running()) return;
  if (!CoreVersionOk.load()) {
    plat::message_box("Incorrect core version.", setup::PluginDescription, plat::kMbIconError | plat::kMbOk);
    return;
  }
  const config::LoadedRemote& remote = config::Remote;
  if (!Polling.StartPolling({config::Device.load(std::memory_order_relaxed), remote.masks, remote.reset_adr,
                             &config::Interval, &PressSlot}))
    return;
  const plat::Handle event = PressSlot.OpenKeyEvent();
  if (event == nullptr) {
    Polling.StopPolling();
    return;
  }
  // A new run with a KeyEventStop of its own, 0 from the start.
  if (!events::StartKeyEventThread({&KeyOutput(),
                                    &KeyEventRecord,
                                    remote.keys,
                                    &PressSlot,
                                    event,
                                    {&config::Wait1, &config::WaitN, &config::WaitR}})) {
    Polling.StopPolling();
    PressSlot.CloseKeyEvent();
  }
}

extern "C" SAA_EXPORT void Stop() {
  using namespace plugin;
  if (!Running() || Stopping) return;
  Stopping = true;
  events::StopKeyEventThread();
  Polling.StopPolling();
  PressSlot.CloseKeyEvent();
  Stopping = false;
}

extern "C" SAA_EXPORT void Close() {
  Stop();
  config::FreeConfigurationLists();
  device::FreeDeviceList();
}

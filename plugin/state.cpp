// The plug-in's process-wide state, all of it zero or empty at load.
#include "plugin/state.h"

#include "events/key_event_thread.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"

namespace plugin {

std::atomic<plat::WindowHandle> CoreWindow{nullptr};
std::atomic<bool> CoreVersionOk{false};
device::PressSlot PressSlot;
device::Polling Polling;
bool Stopping = false;

events::KeyEventRecordT KeyEventRecord{};

// Start makes the key event run last and Stop ends it first, so the run
// stands for both threads.
bool Running() { return events::KeyEventThreadRunning(); }

bool SetupMode() { return _SetupForm.load(std::memory_order_acquire) != nullptr; }

}  // namespace plugin

extern "C" {
SAA_EXPORT std::atomic<setup::SetupFormBase*> _SetupForm{nullptr};
}

// The plug-in's process-wide state, in one place: what the core handed over,
// the worker threads' hand-off and the polling run. The settings live in
// config/ and the dialog's device lines in device/, under the names the
// dialog and the files give them.
#pragma once
#include <atomic>
#include <cstdint>

#include "device/gpio_poll.h"
#include "device/press_slot.h"
#include "platform/types.h"
#include "setup/caption.h"

namespace plugin {

extern std::atomic<plat::WindowHandle> CoreWindow;
extern std::atomic<bool> CoreVersionOk;
// Between the polling thread and the key event thread.
extern device::PressSlot PressSlot;
// Core's thread only.
extern device::Polling Polling;
// Set while a Stop runs; a Stop re-entered from a notification that the
// outer one lets through returns at once and leaves the work to it.
extern bool Stopping;

// Whether Start got both threads going and no Stop ended them since.
bool Running();
// Whether notifications go to the setup dialog instead of the core: while
// the dialog exists.
bool SetupMode();

}  // namespace plugin

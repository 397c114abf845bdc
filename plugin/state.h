// The plug-in's process-wide lifecycle state.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/types.h"
#include "setup/caption.h"

namespace plugin {

extern std::atomic<plat::WindowHandle> CoreWindow;
extern std::atomic<bool> CoreVersionOk;
extern std::atomic<bool> Running;
extern std::atomic<bool> SetupMode;

}  // namespace plugin

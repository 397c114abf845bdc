// The plug-in's process-wide state, all of it zero or empty at load.
#include "plugin/state.h"

#include "plugin/core_interface.h"
#include "plugin/exports.h"

std::atomic<plat::WindowHandle> CoreWindow{nullptr};
std::atomic<bool> CoreVersionOk{false};
std::atomic<bool> Running{false};
std::atomic<bool> SetupMode{false};

KeyEventRecordT KeyEventRecord{};

extern "C" {
SAA_EXPORT std::atomic<SetupFormBase*> _SetupForm{nullptr};
}

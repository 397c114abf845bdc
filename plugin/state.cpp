// The plug-in's process-wide state, all of it zero or empty at load.
#include "plugin/state.h"

#include "plugin/core_interface.h"
#include "plugin/exports.h"

namespace plugin {

std::atomic<plat::WindowHandle> CoreWindow{nullptr};
std::atomic<bool> CoreVersionOk{false};
std::atomic<bool> Running{false};
std::atomic<bool> SetupMode{false};

events::KeyEventRecordT KeyEventRecord{};

}  // namespace plugin

extern "C" {
SAA_EXPORT std::atomic<setup::SetupFormBase*> _SetupForm{nullptr};
}

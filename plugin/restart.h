// The one restart sequence: after a stop, the dialog's waits are saved and the
// configuration reloaded (only ever while both workers are stopped), then the
// plug-in starts again when asked. Setup and the dialog's change handlers
// both end this way.
#pragma once
#include "setup/setup_logic.h"

namespace plugin {

void Reconfigure(bool start);

// Stop, then Reconfigure and Start: what the dialog does on a change of device
// or model.
setup::PluginRestart& DialogRestart();

}  // namespace plugin

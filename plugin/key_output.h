// Where the key event thread's notifications go: KeyNotify to the core, or,
// while the setup dialog shows, the monitoring messages to the dialog.
#pragma once
#include "events/key_event_thread.h"

namespace plugin {

events::KeyEngineOutput& KeyOutput();

}  // namespace plugin

// What reaches the core: the single key-event record. Its layout and the
// message numbers are the engine's (events/key_event_record.h).
#pragma once
#include "events/key_event_record.h"

namespace plugin {

// The single record; its address is what every KeyNotify carries.
extern events::KeyEventRecordT KeyEventRecord;

}  // namespace plugin

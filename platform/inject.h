// Injected creation failures, shared by both backends (internal).
#pragma once

namespace plat::inject {

enum class Kind { Thread, Event, CoInitialize };

// True when this creation is to fail: after the injected number of
// creations to let through, one per injected failure.
bool take_failure(Kind kind);

}  // namespace plat::inject

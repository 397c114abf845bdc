// What the key event output needs of the setup dialog: its window, which
// exists before the dialog can be addressed.
#pragma once
#include <atomic>

#include "platform/types.h"

namespace setup {

struct SetupFormBase {
  std::atomic<plat::WindowHandle> Handle{nullptr};
  virtual ~SetupFormBase() = default;
};

}  // namespace setup

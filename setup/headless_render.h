// The headless dialog as text: what a person would read in its window.
#pragma once
#include <string>

#include "setup/headless_view.h"

namespace setup {

std::string RenderDialogText(const HeadlessView& view);

}  // namespace setup

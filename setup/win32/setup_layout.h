// The setup window's controls: created once, at the design-time layout.
#pragma once
#include <windows.h>

namespace setup {

struct SetupControls {
  HWND device_combo = nullptr;
  HWND model_combo = nullptr;
  HWND key_table = nullptr;
  HWND test_group = nullptr;
  HWND code_label = nullptr;
  HWND key_label = nullptr;
  HWND up_downs[4] = {};  // indexed by Spinner
  HWND ok_button = nullptr;
  HFONT font = nullptr;
};

// Creates every child of window in keyboard order and sets the font. False when
// a control could not be created.
bool CreateSetupControls(HWND window, HINSTANCE instance, SetupControls& controls);
void DestroySetupFont(SetupControls& controls);

}  // namespace setup

// The four timing spinners as data: label, control, range, step, design-time
// value, setting and handler. The handlers, the window's lookups and the
// headless rendering all derive from this one table.
#pragma once
#include <atomic>
#include <cstdint>

#include "setup/setup_logic.h"
#include "setup/setup_view.h"

namespace setup {

struct SpinnerSpec {
  Spinner which;
  const char* name;   // the spinner control's name
  const char* label;  // the text beside its field
  int control_id;     // the up-down control in the Win32 window
  int16_t min;
  int16_t max;
  int16_t step;
  int16_t design_value;
  std::atomic<int32_t>* setting;
  void (SetupDialog::*handler)(int16_t new_value);  // its ...UpDownChangingEx
};

// Indexed by Spinner.
const SpinnerSpec& SpinnerSpecOf(Spinner which);
// The spinner whose up-down control has this id; null for any other control.
const SpinnerSpec* SpinnerOfControl(int control_id);

// The position an up-down control without wrap-around moves to when stepped by
// delta from position: clamped to the range.
int16_t SpinnerProposedPosition(const SpinnerSpec& spinner, int32_t position, int32_t delta);

// What a spinner shows for a setting: the setting clamped to the range (a
// hand-edited file may hold anything). The setting itself is left alone.
int32_t SpinnerDisplayPosition(const SpinnerSpec& spinner, int32_t setting);

}  // namespace setup

// The four timing spinners as data: range, step, design-time value, setting.
#pragma once
#include <atomic>
#include <cstdint>

#include "setup/setup_view.h"

struct SpinnerSpec {
  Spinner which;
  const char* name;        // the spinner control's name
  int16_t min;
  int16_t max;
  int16_t step;
  int16_t design_value;
  std::atomic<int32_t>* setting;
};

// Indexed by Spinner.
const SpinnerSpec& SpinnerSpecOf(Spinner which);

// The position an up-down control without wrap-around moves to when stepped by
// delta from position: clamped to the range.
int16_t SpinnerProposedPosition(const SpinnerSpec& spinner, int32_t position, int32_t delta);

// What a spinner shows for a setting: the setting clamped to the range (a
// hand-edited file may hold anything). The setting itself is left alone.
int32_t SpinnerDisplayPosition(const SpinnerSpec& spinner, int32_t setting);

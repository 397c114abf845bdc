// The polling thread's press decision for one sample: plain logic, so tests
// drive it sample by sample.
#pragma once
#include <cstdint>

#include "config/definition.h"

namespace device {

struct PollReport {
  bool Report = false;  // hand this sample to the key event thread
  bool Pressed = false;
  uint32_t Code = 0;  // meaningful when Pressed
};

// previousPressed carries the press condition from one cycle to the next.
PollReport PollDecide(uint32_t sample, const config::Masks& masks, bool& previousPressed);

// Interval as the pause may use it: a value from the file is bounded here.
uint32_t PollPauseMs(int32_t interval);

}  // namespace device

#include "device/poll_cycle.h"

namespace device {

namespace {
// Below 1 ms the thread would spin; above a minute the remote is useless.
constexpr int32_t kMinPauseMs = 1;
constexpr int32_t kMaxPauseMs = 60000;
}  // namespace

PollReport PollDecide(uint32_t sample, const config::Masks& masks, bool& previousPressed) {
  PollReport report;
  // Any PressMask bit set, compared with PressFlag.
  report.Pressed = ((sample & masks.press_mask) != 0) == masks.press_flag;
  report.Code = sample & masks.key_mask;
  report.Report = report.Pressed || (previousPressed && masks.release_detect);
  previousPressed = report.Pressed;
  return report;
}

uint32_t PollPauseMs(int32_t interval) {
  if (interval < kMinPauseMs) return kMinPauseMs;
  if (interval > kMaxPauseMs) return kMaxPauseMs;
  return static_cast<uint32_t>(interval);
}

}  // namespace device

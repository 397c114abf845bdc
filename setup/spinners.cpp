#include "setup/spinners.h"

#include <algorithm>

#include "config/settings.h"
#include "setup/win32/control_ids.h"

namespace setup {

namespace {

const SpinnerSpec kSpinners[kSpinnerCount] = {
    {Spinner::Wait1, "Wait1UpDown", "Wait before repeat", kIdWait1UpDown, 50, 1000, 50, config::kDefaultWait1,
     &config::Wait1, &SetupDialog::Wait1UpDownChangingEx},
    {Spinner::WaitN, "WaitNUpDown", "Repeat period", kIdWaitNUpDown, 50, 1000, 50, config::kDefaultWaitN,
     &config::WaitN, &SetupDialog::WaitNUpDownChangingEx},
    {Spinner::WaitR, "WaitRUpDown", "Release timeout", kIdWaitRUpDown, 50, 1000, 50, config::kDefaultWaitR,
     &config::WaitR, &SetupDialog::WaitRUpDownChangingEx},
    {Spinner::Interval, "IntervalUpDown", "Update", kIdIntervalUpDown, 10, 1000, 10, config::kDefaultInterval,
     &config::Interval, &SetupDialog::IntervalUpDownChangingEx},
};

}  // namespace

const SpinnerSpec& SpinnerSpecOf(Spinner which) { return kSpinners[static_cast<int>(which)]; }

const SpinnerSpec* SpinnerOfControl(int control_id) {
  for (const SpinnerSpec& spinner : kSpinners) {
    if (spinner.control_id == control_id) return &spinner;
  }
  return nullptr;
}

int16_t SpinnerProposedPosition(const SpinnerSpec& spinner, int32_t position, int32_t delta) {
  // 64 bits: a hand-made position plus a delta must not overflow on the way.
  const int64_t wanted = static_cast<int64_t>(position) + delta;
  return static_cast<int16_t>(std::clamp<int64_t>(wanted, spinner.min, spinner.max));
}

int32_t SpinnerDisplayPosition(const SpinnerSpec& spinner, int32_t setting) {
  return std::clamp<int32_t>(setting, spinner.min, spinner.max);
}

}  // namespace setup

// The timing spinners change their settings at once, while the workers run.
#include "config/settings.h"
#include "setup/setup_logic.h"
#include "setup/spinners.h"

void SetupDialog::IntervalUpDownChangingEx(int16_t new_value) {
  Interval.store(new_value, std::memory_order_relaxed);
}
void SetupDialog::Wait1UpDownChangingEx(int16_t new_value) {
  Wait1.store(new_value, std::memory_order_relaxed);
}
void SetupDialog::WaitNUpDownChangingEx(int16_t new_value) {
  WaitN.store(new_value, std::memory_order_relaxed);
}
void SetupDialog::WaitRUpDownChangingEx(int16_t new_value) {
  WaitR.store(new_value, std::memory_order_relaxed);
}

int16_t SetupDialog::SpinnerChanging(Spinner which, int32_t position, int32_t delta) {
  const int16_t proposed = SpinnerProposedPosition(SpinnerSpecOf(which), position, delta);
  switch (which) {
    case Spinner::Interval: IntervalUpDownChangingEx(proposed); break;
    case Spinner::Wait1: Wait1UpDownChangingEx(proposed); break;
    case Spinner::WaitN: WaitNUpDownChangingEx(proposed); break;
    case Spinner::WaitR: WaitRUpDownChangingEx(proposed); break;
  }
  return proposed;
}

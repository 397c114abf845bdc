// The timing spinners change their settings at once, while the workers run:
// each stores the position, widened with its sign, in one 32-bit store.
#include "setup/setup_logic.h"
#include "setup/spinners.h"

namespace setup {

namespace {
void Store(Spinner which, int16_t new_value) {
  SpinnerSpecOf(which).setting->store(new_value, std::memory_order_relaxed);
}
}  // namespace

void SetupDialog::IntervalUpDownChangingEx(int16_t new_value) { Store(Spinner::Interval, new_value); }
void SetupDialog::Wait1UpDownChangingEx(int16_t new_value) { Store(Spinner::Wait1, new_value); }
void SetupDialog::WaitNUpDownChangingEx(int16_t new_value) { Store(Spinner::WaitN, new_value); }
void SetupDialog::WaitRUpDownChangingEx(int16_t new_value) { Store(Spinner::WaitR, new_value); }

int16_t SetupDialog::SpinnerChanging(Spinner which, int32_t position, int32_t delta) {
  const SpinnerSpec& spinner = SpinnerSpecOf(which);
  const int16_t proposed = SpinnerProposedPosition(spinner, position, delta);
  (this->*spinner.handler)(proposed);
  return proposed;
}

}  // namespace setup

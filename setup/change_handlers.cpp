// Switching device or model: save, restart the plug-in on the new choice, refill.
#include "setup/setup_logic.h"

namespace setup {

void SetupDialog::DeviceComboChange() { ChangeDeviceOrModel(); }

void SetupDialog::ModelComboChange() { ChangeDeviceOrModel(); }

void SetupDialog::ChangeDeviceOrModel() {
  // A failing Start shows a box; a selection made while it is up must not
  // start a second restart inside the first.
  if (changing_) return;
  changing_ = true;
  FormHide();  // the new choice reaches the device only through the file
  restart_.Restart();
  FormShow();
  changing_ = false;
}

}  // namespace setup

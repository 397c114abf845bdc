// Saving the dialog's [Main] keys when it is hidden.
#include <string>

#include "config/ini_file.h"
#include "config/settings.h"
#include "setup/setup_logic.h"

void SetupDialog::FormHide() {
  IniFile settings(SettingsPath());
  std::string definition = "AverTV307.cfg";
  const int selected = view_.ModelIndex();
  if (model_files_ && !model_files_->empty() && selected >= 0) {
    const int position = view_.ModelFileIndex(selected);
    if (position >= 0 && position < static_cast<int>(model_files_->size())) {
      definition = (*model_files_)[static_cast<size_t>(position)];
    }
  }
  settings.WriteInteger("Main", "Interval", Interval.load(std::memory_order_relaxed));
  // With no device listed (driver missing, card out for a moment) the user
  // chose nothing: keep the saved device instead of writing -1.
  const int device = view_.DeviceIndex();
  if (device >= 0) settings.WriteInteger("Main", "Device", device);
  settings.WriteString("Main", "DefaultConfig", definition);
}

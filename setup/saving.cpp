// Saving the dialog's [Main] keys when it is hidden.
#include <string>

#include "config/settings.h"
#include "setup/setup_logic.h"

namespace setup {

void SetupDialog::FormHide() {
  // Not the default the settings are read with ("AverTV.cfg"): settings
  // files saved with no model listed hold this name, and stay as they are.
  std::string definition = "AverTV307.cfg";
  const int selected = view_.ModelIndex();
  if (model_files_ && !model_files_->empty() && selected >= 0) {
    const int position = view_.ModelFileIndex(selected);
    if (position >= 0 && position < static_cast<int>(model_files_->size())) {
      definition = (*model_files_)[static_cast<size_t>(position)];
    }
  }
  // With no device listed (driver missing, card out for a moment) the user
  // chose nothing: a negative index keeps the saved device instead of -1.
  config::SaveDialogChoices(config::Interval.load(std::memory_order_relaxed), view_.DeviceIndex(),
                            definition);
}

}  // namespace setup

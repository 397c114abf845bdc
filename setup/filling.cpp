// Creating, filling and destroying the dialog.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/settings.h"
#include "config/text.h"
#include "device/gpio_device.h"
#include "setup/model_list.h"
#include "setup/setup_logic.h"
#include "setup/spinners.h"

namespace setup {

void SetupDialog::FormCreate() { model_files_ = std::make_unique<std::vector<std::string>>(); }

void SetupDialog::FormDestroy() { model_files_.reset(); }

void SetupDialog::FormShow() {
  FillDevices();
  // The selection shows the saved device, not the one in memory.
  const config::SavedChoice saved = config::ReadSavedChoice();
  const int count = device::DeviceList != nullptr ? device::DeviceList->Count() : 0;
  view_.SetDeviceIndex(saved.device >= 0 && saved.device < count ? saved.device : -1);
  FillModels(saved.definition);
  FillKeyTable();
  FillSpinners();
}

void SetupDialog::FillDevices() {
  std::vector<std::string> items;
  if (device::DeviceList != nullptr) {
    for (int i = 0; i < device::DeviceList->Count(); ++i) items.push_back((*device::DeviceList)[i]);
  }
  view_.SetDeviceItems(items);
}

void SetupDialog::FillModels(const std::string& default_config) {
  if (!model_files_) FormCreate();
  model_files_->clear();
  view_.SetModelItems({});
  ModelScan scan = ScanModels(config::ModuleFolder(), default_config);
  *model_files_ = std::move(scan.files);
  view_.SetModelItems(scan.items);
  int selected = -1;
  for (size_t i = 0; i < scan.items.size(); ++i) {
    if (scan.items[i].file_index == scan.match) selected = static_cast<int>(i);
  }
  view_.SetModelIndex(selected);
}

void SetupDialog::FillKeyTable() {
  rows_.clear();
  if (config::KeyList != nullptr) {
    // A code listed twice shows the name its first line gives; codes match
    // ignoring letter case, as KeyList's lookups do. One pass, so that a
    // large table fills at once.
    std::unordered_map<std::string, std::string_view> first_names;
    first_names.reserve(static_cast<size_t>(config::KeyList->Count()));
    rows_.reserve(static_cast<size_t>(config::KeyList->Count()));
    for (int i = 0; i < config::KeyList->Count(); ++i) {
      const std::string& line = (*config::KeyList)[i];
      const size_t eq = line.find('=');
      KeyRow row;
      if (eq != std::string::npos) {
        row.code = line.substr(0, eq);
        first_names.try_emplace(config::AsciiUpper(row.code), std::string_view(line).substr(eq + 1));
      }
      rows_.push_back(std::move(row));
    }
    for (KeyRow& row : rows_) {
      // A line without "=" has the code "", which the first "=name" line names.
      const auto first = first_names.find(config::AsciiUpper(row.code));
      if (first != first_names.end()) row.key.assign(first->second);
    }
  }
  view_.SetKeyRows(rows_);
}

void SetupDialog::FillSpinners() {
  for (int i = 0; i < kSpinnerCount; ++i) {
    const SpinnerSpec& spinner = SpinnerSpecOf(static_cast<Spinner>(i));
    view_.SetSpinnerPosition(
        spinner.which, SpinnerDisplayPosition(spinner, spinner.setting->load(std::memory_order_relaxed)));
  }
}

}  // namespace setup

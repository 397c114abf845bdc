// Creating, filling and destroying the dialog.
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "config/settings.h"
#include "device/gpio_device.h"
#include "setup/model_list.h"
#include "setup/setup_logic.h"
#include "setup/spinners.h"

void SetupDialog::FormCreate() { model_files_ = std::make_unique<std::vector<std::string>>(); }

void SetupDialog::FormDestroy() { model_files_.reset(); }

void SetupDialog::FormShow() {
  FillDevices();
  std::string default_config;
  {
    // The selection shows the saved device, not the one in memory.
    const IniFile settings(SettingsPath());
    default_config = settings.ReadString("Main", "DefaultConfig", "AverTV.cfg");
    const int32_t saved = settings.ReadInteger("Main", "Device", 0);
    const int count = DeviceList != nullptr ? DeviceList->Count() : 0;
    view_.SetDeviceIndex(saved >= 0 && saved < count ? saved : -1);
  }
  FillModels(default_config);
  FillKeyTable();
  FillSpinners();
}

void SetupDialog::FillDevices() {
  std::vector<std::string> items;
  if (DeviceList != nullptr) {
    for (int i = 0; i < DeviceList->Count(); ++i) items.push_back((*DeviceList)[i]);
  }
  view_.SetDeviceItems(items);
}

void SetupDialog::FillModels(const std::string& default_config) {
  if (!model_files_) FormCreate();
  model_files_->clear();
  view_.SetModelItems({});
  ModelScan scan = ScanModels(ModuleFolder(), default_config);
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
  if (KeyList != nullptr) {
    for (int i = 0; i < KeyList->Count(); ++i) {
      const std::string& line = (*KeyList)[i];
      const size_t eq = line.find('=');
      KeyRow row;
      row.code = eq == std::string::npos ? std::string() : line.substr(0, eq);
      // A code listed twice shows the name its first line gives.
      const int first = KeyList->IndexOfName(row.code);
      row.key = first >= 0 ? KeyList->ValueOfEntry(first) : std::string();
      rows_.push_back(std::move(row));
    }
  }
  view_.SetKeyRows(rows_);
}

void SetupDialog::FillSpinners() {
  for (int i = 0; i < kSpinnerCount; ++i) {
    const SpinnerSpec& spinner = SpinnerSpecOf(static_cast<Spinner>(i));
    view_.SetSpinnerPosition(spinner.which,
                             SpinnerDisplayPosition(spinner, spinner.setting->load(std::memory_order_relaxed)));
  }
}

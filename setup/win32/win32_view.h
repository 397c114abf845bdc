// The SetupView over the real controls of the setup window.
#pragma once
#include <windows.h>

#include "setup/setup_view.h"
#include "setup/win32/setup_layout.h"

namespace setup {

class Win32View : public SetupView {
 public:
  explicit Win32View(const SetupControls& controls) : c_(controls) {}

  void SetDeviceItems(const std::vector<std::string>& items) override;
  void SetDeviceIndex(int index) override;
  int DeviceIndex() const override;

  void SetModelItems(const std::vector<ModelItem>& items) override;
  void SetModelIndex(int index) override;
  int ModelIndex() const override;
  int ModelFileIndex(int index) const override;

  void SetKeyRows(const std::vector<KeyRow>& rows) override;
  void SetCurrentKeyRow(int row) override;
  int CurrentKeyRow() const override;

  void SetTestCaption(const std::string& text) override;
  void SetCodeLabel(const std::string& text) override;
  void SetKeyLabel(const std::string& text) override;

  void SetSpinnerPosition(Spinner which, int32_t position) override;
  int32_t SpinnerPosition(Spinner which) const override;

 private:
  const SetupControls& c_;
};

}  // namespace setup

// The setup dialog's behaviour, apart from any window toolkit: its handlers,
// written against a SetupView.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "setup/setup_view.h"

namespace setup {

// The code the monitoring group showed last; survives the dialog. All bits set
// at load, so that the first press ever is shown.
extern uint64_t LastShownCode;

// What the dialog needs of the plug-in when the user changes device or model:
// a restart on the settings just saved. The plug-in implements it.
class PluginRestart {
 public:
  virtual void Restart() = 0;

 protected:
  ~PluginRestart() = default;
};

class SetupDialog {
 public:
  SetupDialog(SetupView& view, PluginRestart& restart) : view_(view), restart_(restart) {}
  SetupDialog(const SetupDialog&) = delete;
  SetupDialog& operator=(const SetupDialog&) = delete;

  void FormCreate();
  void FormShow();
  void FormHide();
  void FormDestroy();

  // Each stores the proposed position, widened with its sign, in its setting.
  void IntervalUpDownChangingEx(int16_t new_value);
  void Wait1UpDownChangingEx(int16_t new_value);
  void WaitNUpDownChangingEx(int16_t new_value);
  void WaitRUpDownChangingEx(int16_t new_value);
  // A spinner stepped from position by delta: runs its handler with the
  // clamped position and returns that position.
  int16_t SpinnerChanging(Spinner which, int32_t position, int32_t delta);

  void DeviceComboChange();
  void ModelComboChange();

  // The monitoring messages; true when the message was one of them (consumed).
  bool WndProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);

  const std::vector<std::string>* ModelFileList() const { return model_files_.get(); }
  // True while a change handler restarts the plug-in.
  bool Changing() const { return changing_; }

 private:
  void ChangeDeviceOrModel();
  void MonitorPress(uint64_t code);
  void FillDevices();
  void FillModels(const std::string& default_config);
  void FillKeyTable();
  void FillSpinners();

  SetupView& view_;
  PluginRestart& restart_;
  std::unique_ptr<std::vector<std::string>> model_files_;
  std::vector<KeyRow> rows_;  // what the key table shows
  bool changing_ = false;
};

}  // namespace setup

// Names of the setup window and its controls, for the window and for the
// programs that drive it. No <windows.h> here.
#pragma once
#include "setup/caption.h"

namespace setup {

constexpr char kSetupWindowClass[] = "TSetupForm";
inline constexpr const char* kSetupCaption = PluginDescription;
constexpr int kSetupClientWidth = 470;
constexpr int kSetupClientHeight = 259;

enum SetupControlId : int {
  kIdOKButton = 1,  // IDOK
  kIdValueListEditor = 100,
  kIdDeviceCombo,
  kIdModelCombo,
  kIdEdit1,
  kIdWait1UpDown,
  kIdEdit2,
  kIdWaitNUpDown,
  kIdEdit3,
  kIdWaitRUpDown,
  kIdEdit4,
  kIdIntervalUpDown,
  kIdLabel1,
  kIdLabel2,
  kIdLabel3,
  kIdLabel4,
  kIdLabel5,
  kIdLabel6,
  kIdCodeLabel,
  kIdKeyLabel,
  kIdTestGroup,
  kIdGroupBox1,
};

}  // namespace setup

#include "setup/win32/setup_layout.h"

#include <commctrl.h>

#include "setup/spinners.h"
#include "setup/win32/control_ids.h"

namespace setup {

namespace {

struct ControlSpec {
  const char* window_class;
  const char* text;
  DWORD style;
  DWORD ex_style;
  int x, y, width, height;
  int id;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kEdit = kChild | WS_TABSTOP | ES_READONLY | ES_RIGHT | ES_AUTOHSCROLL;
constexpr DWORD kCombo = kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kUpDown = kChild | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;

// Creation order is keyboard order: the key table, the device list, the model
// list, the four spinner fields in table order, the button. Labels and groups
// come last so that they lie beneath the fields they surround.
const ControlSpec kControls[] = {
    {WC_LISTVIEWA, "", kChild | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE,
     262, 44, 207, 180, kIdValueListEditor},
    {WC_COMBOBOXA, "", kCombo, 0, 4, 18, 461, 200, kIdDeviceCombo},
    {WC_COMBOBOXA, "", kCombo, 0, 4, 55, 249, 200, kIdModelCombo},
    {WC_EDITA, "", kEdit, WS_EX_CLIENTEDGE, 110, 154, 58, 21, kIdEdit1},
    {UPDOWN_CLASSA, "", kUpDown, 0, 0, 0, 0, 0, kIdWait1UpDown},
    {WC_EDITA, "", kEdit, WS_EX_CLIENTEDGE, 110, 177, 58, 21, kIdEdit2},
    {UPDOWN_CLASSA, "", kUpDown, 0, 0, 0, 0, 0, kIdWaitNUpDown},
    {WC_EDITA, "", kEdit, WS_EX_CLIENTEDGE, 110, 200, 58, 21, kIdEdit3},
    {UPDOWN_CLASSA, "", kUpDown, 0, 0, 0, 0, 0, kIdWaitRUpDown},
    {WC_EDITA, "", kEdit, WS_EX_CLIENTEDGE, 204, 154, 50, 21, kIdEdit4},
    {UPDOWN_CLASSA, "", kUpDown, 0, 0, 0, 0, 0, kIdIntervalUpDown},
    {WC_BUTTONA, "Close", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 4, 231, 75, 25, kIdOKButton},
    {WC_STATICA, "Video Capture Device:", kChild | SS_LEFT, 0, 4, 4, 200, 13, kIdLabel2},
    {WC_STATICA, "Model:", kChild | SS_LEFT, 0, 4, 42, 200, 13, kIdLabel6},
    {WC_STATICA, "Code:", kChild | SS_LEFT | SS_NOPREFIX, 0, 14, 96, 236, 13, kIdCodeLabel},
    {WC_STATICA, "", kChild | SS_LEFT | SS_NOPREFIX, 0, 14, 114, 236, 13, kIdKeyLabel},
    {WC_STATICA, SpinnerSpecOf(Spinner::Wait1).label, kChild | SS_LEFT, 0, 12, 158, 96, 13, kIdLabel1},
    {WC_STATICA, SpinnerSpecOf(Spinner::WaitN).label, kChild | SS_LEFT, 0, 12, 181, 96, 13, kIdLabel3},
    {WC_STATICA, SpinnerSpecOf(Spinner::WaitR).label, kChild | SS_LEFT, 0, 12, 204, 96, 13, kIdLabel4},
    {WC_STATICA, SpinnerSpecOf(Spinner::Interval).label, kChild | SS_LEFT, 0, 168, 158, 34, 13, kIdLabel5},
    {WC_BUTTONA, "Monitoring", kChild | BS_GROUPBOX, 0, 4, 76, 253, 61, kIdTestGroup},
    {WC_BUTTONA, "Timing", kChild | BS_GROUPBOX, 0, 4, 137, 253, 90, kIdGroupBox1},
};

void SetUpKeyTable(HWND table) {
  SendMessageA(table, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  const char* titles[2] = {"Code", "Key"};
  const int widths[2] = {100, 103};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(titles[i]);
    column.cx = widths[i];
    column.iSubItem = i;
    SendMessageA(table, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

void SetUpSpinner(HWND up_down, HWND buddy, const SpinnerSpec& spinner) {
  SendMessageA(up_down, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessageA(up_down, UDM_SETRANGE32, spinner.min, spinner.max);
  UDACCEL accel{0, static_cast<UINT>(spinner.step)};
  SendMessageA(up_down, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  SendMessageA(up_down, UDM_SETPOS32, 0, spinner.design_value);
}

}  // namespace

bool CreateSetupControls(HWND window, HINSTANCE instance, SetupControls& controls) {
  // 8 points at 96 pixels per inch, whatever the screen's density.
  controls.font =
      CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  HWND previous = nullptr;
  for (const ControlSpec& control_spec : kControls) {
    HWND control = CreateWindowExA(
        control_spec.ex_style, control_spec.window_class, control_spec.text, control_spec.style,
        control_spec.x, control_spec.y, control_spec.width, control_spec.height, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_spec.id)), instance, nullptr);
    if (control == nullptr) return false;
    if (controls.font != nullptr)
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(controls.font), FALSE);
    switch (control_spec.id) {
      case kIdValueListEditor:
        controls.key_table = control;
        SetUpKeyTable(control);
        break;
      case kIdDeviceCombo: controls.device_combo = control; break;
      case kIdModelCombo: controls.model_combo = control; break;
      case kIdOKButton: controls.ok_button = control; break;
      case kIdTestGroup: controls.test_group = control; break;
      case kIdCodeLabel: controls.code_label = control; break;
      case kIdKeyLabel: controls.key_label = control; break;
      default:
        if (const SpinnerSpec* spinner = SpinnerOfControl(control_spec.id)) {
          controls.up_downs[static_cast<int>(spinner->which)] = control;
          SetUpSpinner(control, previous, *spinner);
        }
        break;
    }
    previous = control;
  }
  return true;
}

void DestroySetupFont(SetupControls& controls) {
  if (controls.font != nullptr) DeleteObject(controls.font);
  controls.font = nullptr;
}

}  // namespace setup

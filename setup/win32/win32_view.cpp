#include "setup/win32/win32_view.h"

#include <commctrl.h>

namespace setup {

namespace {

void SetComboIndex(HWND combo, int index) {
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  SendMessageA(combo, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
}

int ComboIndex(HWND combo) {
  const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

}  // namespace

void Win32View::SetDeviceItems(const std::vector<std::string>& items) {
  SendMessageA(c_.device_combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    SendMessageA(c_.device_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
}

void Win32View::SetDeviceIndex(int index) { SetComboIndex(c_.device_combo, index); }
int Win32View::DeviceIndex() const { return ComboIndex(c_.device_combo); }

void Win32View::SetModelItems(const std::vector<ModelItem>& items) {
  SendMessageA(c_.model_combo, CB_RESETCONTENT, 0, 0);
  // The items come sorted; inserting at the end keeps that order exactly.
  for (const ModelItem& item : items) {
    const LRESULT at = SendMessageA(c_.model_combo, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(item.text.c_str()));
    if (at >= 0) SendMessageA(c_.model_combo, CB_SETITEMDATA, at, item.file_index);
  }
}

void Win32View::SetModelIndex(int index) { SetComboIndex(c_.model_combo, index); }
int Win32View::ModelIndex() const { return ComboIndex(c_.model_combo); }

int Win32View::ModelFileIndex(int index) const {
  const LRESULT data = SendMessageA(c_.model_combo, CB_GETITEMDATA, index, 0);
  return data == CB_ERR ? -1 : static_cast<int>(data);
}

void Win32View::SetKeyRows(const std::vector<KeyRow>& rows) {
  SendMessageA(c_.key_table, WM_SETREDRAW, FALSE, 0);
  SendMessageA(c_.key_table, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < rows.size(); ++i) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(rows[i].code.c_str());
    const int at =
        static_cast<int>(SendMessageA(c_.key_table, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) continue;
    LVITEMA key{};
    key.iSubItem = 1;
    key.pszText = const_cast<char*>(rows[i].key.c_str());
    SendMessageA(c_.key_table, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&key));
  }
  SendMessageA(c_.key_table, WM_SETREDRAW, TRUE, 0);
  SetCurrentKeyRow(rows.empty() ? -1 : 0);
}

void Win32View::SetCurrentKeyRow(int row) {
  const int count = static_cast<int>(SendMessageA(c_.key_table, LVM_GETITEMCOUNT, 0, 0));
  if (row < 0 || row >= count) return;
  LVITEMA clear{};
  clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(c_.key_table, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  LVITEMA set{};
  set.state = LVIS_SELECTED | LVIS_FOCUSED;
  set.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(c_.key_table, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&set));
  SendMessageA(c_.key_table, LVM_ENSUREVISIBLE, row, FALSE);
}

int Win32View::CurrentKeyRow() const {
  return static_cast<int>(
      SendMessageA(c_.key_table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32View::SetTestCaption(const std::string& text) { SetWindowTextA(c_.test_group, text.c_str()); }
void Win32View::SetCodeLabel(const std::string& text) { SetWindowTextA(c_.code_label, text.c_str()); }
void Win32View::SetKeyLabel(const std::string& text) { SetWindowTextA(c_.key_label, text.c_str()); }

void Win32View::SetSpinnerPosition(Spinner which, int32_t position) {
  // The control keeps the position within its range and shows it in its field.
  SendMessageA(c_.up_downs[static_cast<int>(which)], UDM_SETPOS32, 0, position);
}

int32_t Win32View::SpinnerPosition(Spinner which) const {
  return static_cast<int32_t>(SendMessageA(c_.up_downs[static_cast<int>(which)], UDM_GETPOS32, 0, 0));
}

}  // namespace setup

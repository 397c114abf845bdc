// The live "Monitoring" group: what the key event thread posts to the dialog.
#include "config/text.h"
#include "events/key_event_record.h"
#include "setup/code_naming.h"
#include "setup/setup_logic.h"

namespace setup {

uint64_t LastShownCode = ~uint64_t{0};

bool SetupDialog::WndProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  if (msg == events::kMonitorRelease) {
    view_.SetTestCaption("Released");
    return true;
  }
  if (msg == events::kMonitorPress) {
    const uint64_t code =
        (static_cast<uint64_t>(static_cast<uint32_t>(wparam)) << 32) | static_cast<uint32_t>(lparam);
    MonitorPress(code);
    return true;
  }
  return false;
}

void SetupDialog::MonitorPress(uint64_t code) {
  view_.SetTestCaption("Pressed");
  if (code == LastShownCode) return;
  LastShownCode = code;
  // The key name comes from the code itself, not from the record the engine
  // may have rewritten for a later key since it posted.
  const NamedCode named = NameCode(code);
  view_.SetCodeLabel("Code: " + named.text);
  view_.SetKeyLabel("Key: " + named.key);
  for (size_t row = 0; row < rows_.size(); ++row) {
    if (config::AsciiUpper(rows_[row].code) == named.text) {
      view_.SetCurrentKeyRow(static_cast<int>(row));
      return;
    }
  }
}

}  // namespace setup

// What the dialog's behaviour needs of its window: the controls it fills and
// reads. A headless view serves the tests and the native build; the Win32
// build puts real controls behind it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// The four spinners, in the dialog's keyboard order.
enum class Spinner { Wait1 = 0, WaitN = 1, WaitR = 2, Interval = 3 };
constexpr int kSpinnerCount = 4;

// A model-list item: its display text and the position of its file name in
// ModelFileList.
struct ModelItem {
  std::string text;
  int file_index = 0;
};

// A key-table row.
struct KeyRow {
  std::string code;
  std::string key;
};

class SetupView {
 public:
  virtual ~SetupView() = default;

  // DeviceCombo. -1 selects nothing; setting a selection never runs a handler.
  virtual void SetDeviceItems(const std::vector<std::string>& items) = 0;
  virtual void SetDeviceIndex(int index) = 0;
  virtual int DeviceIndex() const = 0;

  // ModelCombo, items given in display order.
  virtual void SetModelItems(const std::vector<ModelItem>& items) = 0;
  virtual void SetModelIndex(int index) = 0;
  virtual int ModelIndex() const = 0;
  // The carried value of the item at a display position; -1 when there is none.
  virtual int ModelFileIndex(int index) const = 0;

  // The key table and its current row (-1 none).
  virtual void SetKeyRows(const std::vector<KeyRow>& rows) = 0;
  virtual void SetCurrentKeyRow(int row) = 0;
  virtual int CurrentKeyRow() const = 0;

  // The "Monitoring" group.
  virtual void SetTestCaption(const std::string& text) = 0;
  virtual void SetCodeLabel(const std::string& text) = 0;
  virtual void SetKeyLabel(const std::string& text) = 0;

  // Spinner positions, always within the spinner's range.
  virtual void SetSpinnerPosition(Spinner which, int32_t position) = 0;
  virtual int32_t SpinnerPosition(Spinner which) const = 0;
};

}  // namespace setup

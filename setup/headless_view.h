// A SetupView without a window: keeps what the dialog shows, for the tests and
// the native build. It counts the caption, label and row updates so that a
// test can tell "set again to the same text" from "left alone".
#pragma once
#include <array>
#include <string>
#include <vector>

#include "setup/setup_view.h"

namespace setup {

class HeadlessView : public SetupView {
 public:
  HeadlessView();

  void SetDeviceItems(const std::vector<std::string>& items) override;
  void SetDeviceIndex(int index) override;
  int DeviceIndex() const override { return device_index_; }

  void SetModelItems(const std::vector<ModelItem>& items) override;
  void SetModelIndex(int index) override;
  int ModelIndex() const override { return model_index_; }
  int ModelFileIndex(int index) const override;

  void SetKeyRows(const std::vector<KeyRow>& rows) override;
  void SetCurrentKeyRow(int row) override;
  int CurrentKeyRow() const override { return current_row_; }

  void SetTestCaption(const std::string& text) override {
    test_caption_ = text;
    ++caption_updates_;
  }
  void SetCodeLabel(const std::string& text) override;
  void SetKeyLabel(const std::string& text) override;

  void SetSpinnerPosition(Spinner which, int32_t position) override;
  int32_t SpinnerPosition(Spinner which) const override;

  const std::vector<std::string>& DeviceItems() const { return device_items_; }
  const std::vector<ModelItem>& ModelItems() const { return model_items_; }
  const std::vector<KeyRow>& KeyRows() const { return key_rows_; }
  const std::string& TestCaption() const { return test_caption_; }
  const std::string& CodeLabel() const { return code_label_; }
  const std::string& KeyLabel() const { return key_label_; }
  int LabelUpdates() const { return label_updates_; }
  int RowUpdates() const { return row_updates_; }
  int CaptionUpdates() const { return caption_updates_; }

 private:
  std::vector<std::string> device_items_;
  int device_index_ = -1;
  std::vector<ModelItem> model_items_;
  int model_index_ = -1;
  std::vector<KeyRow> key_rows_;
  int current_row_ = -1;
  std::string test_caption_ = "Monitoring";
  std::string code_label_ = "Code:";
  std::string key_label_;
  std::array<int32_t, kSpinnerCount> spinners_{};
  int label_updates_ = 0;
  int row_updates_ = 0;
  int caption_updates_ = 0;
};

}  // namespace setup

#include "setup/headless_view.h"

#include "setup/spinners.h"

namespace setup {

namespace {

// Like a list control: a position outside the list selects nothing.
int InRangeOrNone(int index, size_t count) {
  return index >= 0 && static_cast<size_t>(index) < count ? index : -1;
}

}  // namespace

HeadlessView::HeadlessView() {
  for (int i = 0; i < kSpinnerCount; ++i) spinners_[i] = SpinnerSpecOf(static_cast<Spinner>(i)).design_value;
}

void HeadlessView::SetDeviceItems(const std::vector<std::string>& items) {
  device_items_ = items;
  device_index_ = -1;
}

void HeadlessView::SetDeviceIndex(int index) { device_index_ = InRangeOrNone(index, device_items_.size()); }

void HeadlessView::SetModelItems(const std::vector<ModelItem>& items) {
  model_items_ = items;
  model_index_ = -1;
}

void HeadlessView::SetModelIndex(int index) { model_index_ = InRangeOrNone(index, model_items_.size()); }

int HeadlessView::ModelFileIndex(int index) const {
  return InRangeOrNone(index, model_items_.size()) < 0 ? -1
                                                       : model_items_[static_cast<size_t>(index)].file_index;
}

void HeadlessView::SetKeyRows(const std::vector<KeyRow>& rows) {
  key_rows_ = rows;
  current_row_ = key_rows_.empty() ? -1 : 0;
}

void HeadlessView::SetCurrentKeyRow(int row) {
  current_row_ = InRangeOrNone(row, key_rows_.size());
  ++row_updates_;
}

void HeadlessView::SetCodeLabel(const std::string& text) {
  code_label_ = text;
  ++label_updates_;
}

void HeadlessView::SetKeyLabel(const std::string& text) {
  key_label_ = text;
  ++label_updates_;
}

void HeadlessView::SetSpinnerPosition(Spinner which, int32_t position) {
  const SpinnerSpec& spinner = SpinnerSpecOf(which);
  spinners_[static_cast<int>(which)] = SpinnerDisplayPosition(spinner, position);
}

int32_t HeadlessView::SpinnerPosition(Spinner which) const { return spinners_[static_cast<int>(which)]; }

}  // namespace setup

#include "setup/headless_render.h"

#include <cstdio>

#include "setup/spinners.h"

namespace setup {

namespace {

constexpr int kRowsShown = 8;

const char* Mark(bool selected) { return selected ? "(*)" : "( )"; }

}  // namespace

std::string RenderDialogText(const HeadlessView& view) {
  std::string text = "Video Capture Device:\n";
  const auto& devices = view.DeviceItems();
  if (devices.empty()) text += "  (none)\n";
  for (size_t i = 0; i < devices.size(); ++i) {
    text += std::string("  ") + Mark(static_cast<int>(i) == view.DeviceIndex()) + " " + devices[i] + "\n";
  }
  text += "Model:\n";
  const auto& models = view.ModelItems();
  for (size_t i = 0; i < models.size(); ++i) {
    text += std::string("  ") + Mark(static_cast<int>(i) == view.ModelIndex()) + " " + models[i].text + "\n";
  }
  text += view.TestCaption() + ": " + view.CodeLabel() + "  " + view.KeyLabel() + "\n";
  text += "Timing:";
  for (int i = 0; i < kSpinnerCount; ++i) {
    text += std::string("  ") + SpinnerSpecOf(static_cast<Spinner>(i)).label + " " +
            std::to_string(view.SpinnerPosition(static_cast<Spinner>(i)));
  }
  text += "\nCode       Key\n";
  const auto& rows = view.KeyRows();
  for (size_t i = 0; i < rows.size() && i < kRowsShown; ++i) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-9s %s\n", rows[i].code.c_str(), rows[i].key.c_str());
    text += line;
  }
  if (rows.size() > kRowsShown) text += "  ... " + std::to_string(rows.size() - kRowsShown) + " more\n";
  return text;
}

}  // namespace setup

// The model list: every remote definition file in the plug-in's folder, shown
// by its [Setup] Name and sorted by that text.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "setup/setup_view.h"

namespace setup {

// Collation of the model list: letters compared without regard to case, other
// bytes by value. Items whose texts compare equal keep the order in which the
// folder search returned their files.
bool ModelTextLess(std::string_view a, std::string_view b);
void SortModelItems(std::vector<ModelItem>& items);

struct ModelScan {
  std::vector<std::string> files;  // file names in search order (ModelFileList)
  std::vector<ModelItem> items;    // display order
  int match = 0;                   // position in files of the default file
};

// Lists "*.cfg" in folder (which ends in a separator). match is the file whose
// name equals default_config ignoring case, else 0.
ModelScan ScanModels(const std::string& folder, std::string_view default_config);

}  // namespace setup

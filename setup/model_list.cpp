#include "setup/model_list.h"

#include <algorithm>

#include "config/definition.h"
#include "config/text.h"
#include "platform/folder.h"

namespace setup {

bool ModelTextLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(config::AsciiUpperChar(x)) <
           static_cast<unsigned char>(config::AsciiUpperChar(y));
  });
}

void SortModelItems(std::vector<ModelItem>& items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const ModelItem& a, const ModelItem& b) { return ModelTextLess(a.text, b.text); });
}

ModelScan ScanModels(const std::string& folder, std::string_view default_config) {
  ModelScan scan;
  const std::string wanted = config::AsciiUpper(default_config);
  for (const std::string& name : plat::find_files(folder, "*.cfg")) {
    const int position = static_cast<int>(scan.files.size());
    scan.files.push_back(name);
    scan.items.push_back({config::ReadDefinition(folder + name).name, position});
    if (config::AsciiUpper(name) == wanted) scan.match = position;
  }
  SortModelItems(scan.items);
  return scan;
}

}  // namespace setup

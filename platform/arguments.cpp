#include "platform/arguments.h"

#include "platform/text_codec.h"

namespace plat {

Arguments ansi_arguments(const std::vector<std::u16string>& wide) {
  Arguments args;
  for (size_t i = 0; i < wide.size(); ++i) {
    std::string ansi;
    if (!ansi_from_utf16_exact(wide[i], ansi)) {
      args.ansi.clear();
      args.refused = i + 1;
      args.refused_text = ansi_from_utf16(wide[i]);
      return args;
    }
    args.ansi.push_back(std::move(ansi));
  }
  return args;
}

}  // namespace plat

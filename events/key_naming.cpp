#include "events/key_naming.h"

#include <string>

#include "config/string_list.h"

namespace events {

KeyNaming NameKey(std::string_view code_text, const config::StringList* keys,
                  const config::StringList* remotes) {
  const int index = keys != nullptr ? keys->IndexOfName(code_text) : -1;
  if (index < 0 || index >= keys->Count()) return {false, code_text, kUndefinedRemoteName};

  // ValueOfEntry's text, viewed in place instead of copied.
  const std::string_view entry = (*keys)[index];
  const size_t equals = entry.find('=');
  const std::string_view key_name =
      equals == std::string_view::npos ? std::string_view() : entry.substr(equals + 1);
  const std::string_view remote_name =
      remotes != nullptr && remotes->Count() > 0 ? std::string_view((*remotes)[0]) : std::string_view();
  return {true, key_name, remote_name};
}

}  // namespace events

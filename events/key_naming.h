// Names a key code through the remote definition's key table. The key event
// thread and the setup dialog both name codes here, each on its own thread,
// so the dialog never has to read a name the thread may be rewriting.
#pragma once
#include <string_view>

namespace config {
class StringList;
}  // namespace config

namespace events {

inline constexpr std::string_view kUndefinedRemoteName = "<undefined>";

struct KeyNaming {
  bool found = false;
  std::string_view key_name;
  std::string_view remote_name;
};

// The first entry of keys whose name equals code_text in any letter case
// gives the key name (the text after its first "="), and the first entry of
// remotes the remote name. A code the table does not hold is named by its own
// text and "<undefined>". The views point into the lists and code_text and are
// valid while those stay unchanged; naming allocates nothing.
KeyNaming NameKey(std::string_view code_text, const config::StringList* keys,
                  const config::StringList* remotes);

}  // namespace events

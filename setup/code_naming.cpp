#include "setup/code_naming.h"

#include "config/code_text.h"
#include "config/settings.h"
#include "events/key_event_record.h"

namespace setup {

NamedCode NameCode(uint64_t code) {
  NamedCode named;
  named.text = config::CodeText(code);
  const config::KeyIndex* keys = config::Remote.keys.get();
  const config::KeyIndex::Key* key = keys != nullptr ? keys->Find(code) : nullptr;
  // What the record holds: the name, or the code's own text when it has none.
  named.key = (key != nullptr ? key->name : named.text).substr(0, events::kKeyNameSize - 1);
  return named;
}

}  // namespace setup

#include "setup/code_naming.h"

#include <array>

#include "config/settings.h"
#include "events/code_text.h"
#include "events/key_event_record.h"
#include "events/key_naming.h"

namespace setup {

NamedCode NameCode(uint64_t code) {
  std::array<char, events::kCodeTextSize> text{};
  const size_t digits = events::FormatCodeText(code, config::CodeDigits.load(std::memory_order_relaxed),
                                               std::span<char, events::kCodeTextSize>(text));
  NamedCode named;
  named.text.assign(text.data(), digits);
  const events::KeyNaming naming = events::NameKey(named.text, config::KeyList, config::RemoteNameList);
  named.key.assign(naming.key_name.substr(0, events::kKeyNameSize - 1));  // what the record holds
  return named;
}

}  // namespace setup

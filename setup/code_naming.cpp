#include "setup/code_naming.h"

#include <array>

#include "config/settings.h"
#include "events/code_text.h"
#include "events/key_event_record.h"
#include "events/key_naming.h"

NamedCode NameCode(uint64_t code) {
  std::array<char, kCodeTextSize> text{};
  const size_t digits =
      FormatCodeText(code, CodeDigits.load(std::memory_order_relaxed), std::span<char, kCodeTextSize>(text));
  NamedCode named;
  named.text.assign(text.data(), digits);
  const KeyNaming naming = NameKey(named.text, KeyList, RemoteNameList);
  named.key.assign(naming.key_name.substr(0, kKeyNameSize - 1));  // what the record holds
  return named;
}

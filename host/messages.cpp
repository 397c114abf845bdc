#include "host/messages.h"

#include <cstring>

#include "config/code_text.h"

namespace host {
namespace {

std::string TextAt(uint32_t address, size_t size) {
  const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(address));
  return text == nullptr ? std::string() : std::string(text, strnlen(text, size));
}

template <size_t N>
std::string Field(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

void PumpFor(uint32_t ms) {
  const uint32_t start = plat::tick_count();
  PumpUntil([&] { return plat::tick_count() - start >= ms; }, ms + 1000);
}

RecordTexts ReadRecord(const events::KeyEventRecordT& record) {
  RecordTexts texts;
  texts.instance = Field(record.InstanceName);
  texts.key_name = Field(record.KeyName);
  texts.code_text = TextAt(record.CodeText, config::kCodeTextSize);
  texts.remote_name = TextAt(record.RemoteName, events::kRemoteNameSize);
  texts.ext_tag = Field(record.ExtTag);
  texts.ext_value = record.ExtValue;
  return texts;
}

}  // namespace host

#include "config/definition.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <utility>

#include "config/code_text.h"
#include "config/hex.h"
#include "config/text.h"
#include "platform/file.h"

namespace config {
namespace {

// The first entry of each [Setup] key.
const IniLine* SetupEntry(const std::vector<const IniLine*>& setup, std::string_view key) {
  for (const IniLine* line : setup)
    if (EqualsIgnoreCase(line->key, key)) return line;
  return nullptr;
}

std::optional<int32_t> ParseInteger(std::string_view text) {
  int32_t value = 0;
  const char* last = text.data() + text.size();
  auto [end, error] = std::from_chars(text.data(), last, value, 10);
  if (text.empty() || error != std::errc() || end != last) return std::nullopt;
  return value;
}

class Reader {
 public:
  explicit Reader(Definition& d) : d_(d) {
    for (const IniLine& line : d.lines)
      if (line.kind == IniLine::Kind::Entry && EqualsIgnoreCase(line.section, "Setup"))
        setup_.push_back(&line);
  }

  std::optional<int32_t> Integer(std::string_view key) {
    const IniLine* line = SetupEntry(setup_, key);
    if (line == nullptr) return std::nullopt;
    std::optional<int32_t> value = ParseInteger(line->value);
    if (!value) Refuse(line->number, Refusal::Why::NotAnInteger, line->key);
    return value;
  }

  uint32_t Mask(std::string_view key, uint32_t fallback) {
    const IniLine* line = SetupEntry(setup_, key);
    if (line == nullptr) return fallback;
    const std::string_view digits = WithoutHexPrefix(line->value);
    const std::optional<uint64_t> value = ParseHexDigits(digits);
    if (!value)
      Refuse(line->number, IsHexText(digits) ? Refusal::Why::WiderThan64Bits : Refusal::Why::NotHexadecimal,
             line->key);
    // Only the low 32 bits count, as HexTextToInt reads a mask.
    return static_cast<uint32_t>(value.value_or(0));
  }

  // Kept in line order as they come.
  void Refuse(int line, Refusal::Why why, std::string key, int earlier = 0) {
    auto at = std::upper_bound(d_.refused.begin(), d_.refused.end(), line,
                               [](int number, const Refusal& r) { return number < r.line; });
    d_.refused.insert(at, {line, why, std::move(key), earlier});
  }

  std::string Text(std::string_view key, std::string fallback) {
    const IniLine* line = SetupEntry(setup_, key);
    return line != nullptr ? line->value : std::move(fallback);
  }

 private:
  Definition& d_;
  std::vector<const IniLine*> setup_;
};

}  // namespace

std::vector<CodePlace> KeysByCode(const std::vector<DefinitionKey>& keys) {
  std::vector<CodePlace> places;
  places.reserve(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    if (std::optional<uint64_t> code = CodeOfText(keys[i].code))
      places.push_back({*code, static_cast<uint32_t>(i)});
  }
  std::sort(places.begin(), places.end(), [](const CodePlace& a, const CodePlace& b) {
    return a.code != b.code ? a.code < b.code : a.key < b.key;
  });
  return places;
}

Definition ReadDefinition(const std::string& path) {
  Definition d;
  std::string bytes;
  d.readable = !path.empty() && plat::read_file(path.c_str(), kMaxIniFileSize, bytes) == plat::FileRead::Ok;
  if (!d.readable) bytes.clear();
  const IniText text(bytes);
  d.encoding = text.Encoding();
  d.only_mark = d.encoding != TextEncoding::Ansi && text.BodyStart() == bytes.size();
  d.lines = LinesOf(text);

  for (const IniLine& line : d.lines) {
    if (line.kind == IniLine::Kind::Entry && EqualsIgnoreCase(line.section, "Keys"))
      d.keys.push_back({line.number, line.key, line.value});
  }
  // The line of the first key naming the same code, for each later one.
  std::vector<int> earlier(d.keys.size(), 0);
  const std::vector<CodePlace> places = KeysByCode(d.keys);
  for (size_t i = 0; i < places.size();) {
    size_t j = i + 1;
    for (; j < places.size() && places[j].code == places[i].code; ++j)
      earlier[places[j].key] = d.keys[places[i].key].line;
    i = j;
  }
  // In line order; the few [Setup] ones are placed among them below.
  for (size_t i = 0; i < d.keys.size(); ++i) {
    const DefinitionKey& key = d.keys[i];
    if (!CodeOfText(key.code))
      d.refused.push_back({key.line, Refusal::Why::CodeNeverWritten, key.code, 0});
    else if (earlier[i] != 0)
      d.refused.push_back({key.line, Refusal::Why::CodeGivenBefore, key.code, earlier[i]});
  }
  Reader read(d);
  // What a file lacks or refuses keeps the built-in value d starts with.
  d.name = read.Text("Name", d.name);
  d.masks.release_detect = read.Integer("ReleaseDetect").value_or(d.masks.release_detect) != 0;
  d.reset_adr = read.Integer("ResetAdr").value_or(d.reset_adr);
  d.masks.press_mask = read.Mask("PressMask", d.masks.press_mask);
  d.masks.press_flag = read.Integer("PressFlag").value_or(d.masks.press_flag) != 0;
  d.masks.key_mask = read.Mask("KeyMask", d.masks.key_mask);
  return d;
}

}  // namespace config

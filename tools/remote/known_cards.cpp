#include "tools/remote/known_cards.h"

#include <algorithm>

#include "config/text.h"
#include "platform/folder.h"
#include "tools/remote/format.h"
#include "tools/remote/plugin_link.h"

namespace remote {
namespace {

bool HexDigit(char c, uint32_t& digit) {
  if (c >= '0' && c <= '9')
    digit = static_cast<uint32_t>(c - '0');
  else if (c >= 'a' && c <= 'f')
    digit = static_cast<uint32_t>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F')
    digit = static_cast<uint32_t>(c - 'A' + 10);
  else
    return false;
  return true;
}

// 1 to max_digits hexadecimal digits at the front of text, taken off it.
bool TakeHex(std::string_view& text, size_t max_digits, uint32_t& value) {
  value = 0;
  size_t n = 0;
  uint32_t digit = 0;
  while (n < text.size() && n < max_digits && HexDigit(text[n], digit)) {
    value = value << 4 | digit;
    ++n;
  }
  if (n == 0 || (n < text.size() && HexDigit(text[n], digit))) return false;
  text.remove_prefix(n);
  return true;
}

bool TakeLiteral(std::string_view& text, std::string_view literal) {
  if (text.substr(0, literal.size()) != literal) return false;
  text.remove_prefix(literal.size());
  return true;
}

}  // namespace

std::optional<std::vector<CardIds>> ParseCardList(std::string_view text) {
  std::vector<CardIds> cards;
  while (true) {
    std::string_view item = config::TrimBlanks(text.substr(0, text.find(',')));
    CardIds ids;
    if (!TakeHex(item, 4, ids.chip) || !TakeLiteral(item, ":") || !TakeHex(item, 4, ids.sub_vendor) ||
        !TakeLiteral(item, ":") || !TakeHex(item, 4, ids.sub_device) || !item.empty())
      return std::nullopt;
    cards.push_back(ids);
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return cards;
}

std::string CardText(const CardIds& ids) {
  return Hex(ids.chip, 4) + ":" + Hex(ids.sub_vendor, 4) + ":" + Hex(ids.sub_device, 4);
}

std::optional<CardIds> DeviceLineIds(std::string_view line) {
  uint32_t vendor = 0;
  CardIds ids;
  if (!TakeLiteral(line, "Vendor: ") || !TakeHex(line, 8, vendor) || vendor != 0x1131 ||
      !TakeLiteral(line, ", Device: ") || !TakeHex(line, 8, ids.chip) ||
      !TakeLiteral(line, ", SubVendor: ") || !TakeHex(line, 8, ids.sub_vendor) ||
      !TakeLiteral(line, ", SubDevice: ") || !TakeHex(line, 8, ids.sub_device))
    return std::nullopt;
  return ids;
}

std::vector<KnownDefinition> ReadKnownDefinitions(const std::string& folder) {
  std::vector<std::string> files = plat::find_files(folder, "*.cfg");
  std::sort(files.begin(), files.end());
  if (files.size() > kMaxKnownDefinitions) files.resize(kMaxKnownDefinitions);
  std::vector<KnownDefinition> known;
  for (const std::string& file : files) {
    const std::string path = folder + file;
    std::optional<std::vector<CardIds>> cards = ParseCardList(ReadSetupValue(path, "Cards"));
    if (!cards) continue;
    known.push_back({file, ReadDefinition(path).name, std::move(*cards)});
  }
  return known;
}

std::vector<const KnownDefinition*> MatchCard(const std::vector<KnownDefinition>& known, const CardIds& ids) {
  std::vector<const KnownDefinition*> matches;
  for (const KnownDefinition& definition : known) {
    if (std::find(definition.cards.begin(), definition.cards.end(), ids) != definition.cards.end())
      matches.push_back(&definition);
  }
  return matches;
}

}  // namespace remote

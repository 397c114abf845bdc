#include "remote/known_cards.h"

#include <algorithm>

#include "config/text.h"
#include "platform/folder.h"
#include "remote/format.h"
#include "remote/plugin_link.h"

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

std::vector<CardEntry> ParseCardEntries(std::string_view text) {
  std::vector<CardEntry> entries;
  if (config::TrimBlanks(text).empty()) return entries;
  while (true) {
    const size_t comma = text.find(',');
    std::string_view item = config::TrimBlanks(text.substr(0, comma));
    CardEntry entry{std::string(item), std::nullopt};
    CardIds ids;
    if (TakeHex(item, 4, ids.chip) && TakeLiteral(item, ":") && TakeHex(item, 4, ids.sub_vendor) &&
        TakeLiteral(item, ":") && TakeHex(item, 4, ids.sub_device) && item.empty())
      entry.ids = ids;
    entries.push_back(std::move(entry));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return entries;
}

std::vector<CardIds> ParseCardList(std::string_view text) {
  std::vector<CardIds> cards;
  for (const CardEntry& entry : ParseCardEntries(text)) {
    if (entry.ids) cards.push_back(*entry.ids);
  }
  return cards;
}

std::string CardText(const CardIds& ids) {
  return Hex(ids.chip, 4) + ":" + Hex(ids.sub_vendor, 4) + ":" + Hex(ids.sub_device, 4);
}

DeviceLine ReadDeviceLine(std::string_view line) {
  DeviceLine read;
  CardIds ids;
  if (!TakeLiteral(line, "Vendor: ") || !TakeHex(line, 8, read.vendor)) return read;
  if (read.vendor != 0x1131) {
    read.kind = DeviceLine::Kind::OtherVendor;
    return read;
  }
  if (!TakeLiteral(line, ", Device: ") || !TakeHex(line, 8, ids.chip) ||
      !TakeLiteral(line, ", SubVendor: ") || !TakeHex(line, 8, ids.sub_vendor) ||
      !TakeLiteral(line, ", SubDevice: ") || !TakeHex(line, 8, ids.sub_device))
    return read;
  read.kind = DeviceLine::Kind::Philips;
  read.ids = ids;
  return read;
}

std::optional<CardIds> DeviceLineIds(std::string_view line) {
  const DeviceLine read = ReadDeviceLine(line);
  if (read.kind != DeviceLine::Kind::Philips) return std::nullopt;
  return read.ids;
}

std::vector<KnownDefinition> ReadKnownDefinitions(const std::string& folder, FolderNotes* notes) {
  std::vector<std::string> files = plat::find_files(folder, "*.cfg");
  std::sort(files.begin(), files.end());
  if (files.size() > kMaxKnownDefinitions) {
    if (notes != nullptr) notes->left_out.assign(files.begin() + kMaxKnownDefinitions, files.end());
    files.resize(kMaxKnownDefinitions);
  }
  std::vector<KnownDefinition> known;
  for (const std::string& file : files) {
    const std::string path = folder + file;
    // A file the plug-in reads as empty is no definition, with or without Cards=.
    if (!ReadFileText(path).readable) {
      if (notes != nullptr) notes->unreadable.push_back(file);
      continue;
    }
    KnownDefinition definition{file, ReadDefinition(path).name, {}, {}};
    for (const CardEntry& entry : ParseCardEntries(ReadSetupValue(path, "Cards"))) {
      if (entry.ids)
        definition.cards.push_back(*entry.ids);
      else
        definition.ignored.push_back(entry.text);
    }
    known.push_back(std::move(definition));
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

namespace {

// Written by tools/definitions/generate.py from the card facts.
constexpr UnreadCard kUnreadCards[] = {
#include "remote/unread_cards.inc"
};

}  // namespace

const UnreadCard* FindUnreadCard(const CardIds& ids) {
  for (const UnreadCard& card : kUnreadCards) {
    if (card.ids == ids) return &card;
  }
  return nullptr;
}

}  // namespace remote

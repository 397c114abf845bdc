#include "remote/known_cards.h"

#include <algorithm>

#include "config/definition.h"
#include "config/hex.h"
#include "config/text.h"
#include "platform/folder.h"
#include "remote/format.h"

namespace remote {
namespace {

constexpr uint32_t kPhilips = 0x1131;

// chip:subvendor:subdevice, 1 to 4 hexadecimal digits each.
std::optional<CardIds> CardIdsOf(std::string_view text) {
  uint32_t parts[3] = {};
  for (uint32_t& part : parts) {
    const size_t colon = &part == &parts[2] ? text.size() : text.find(':');
    if (colon == std::string_view::npos || colon > 4) return std::nullopt;
    const std::optional<uint64_t> value = config::ParseHexDigits(text.substr(0, colon));
    if (!value) return std::nullopt;
    part = static_cast<uint32_t>(*value);
    text.remove_prefix(std::min(colon + 1, text.size()));
  }
  return CardIds{parts[0], parts[1], parts[2]};
}

}  // namespace

std::vector<CardEntry> ParseCardEntries(std::string_view text) {
  std::vector<CardEntry> entries;
  if (config::TrimBlanks(text).empty()) return entries;
  while (true) {
    const size_t comma = text.find(',');
    std::string_view item = config::TrimBlanks(text.substr(0, comma));
    entries.push_back({std::string(item), CardIdsOf(item)});
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return entries;
}

std::string CardText(const CardIds& ids) {
  return Hex(ids.chip, 4) + ":" + Hex(ids.sub_vendor, 4) + ":" + Hex(ids.sub_device, 4);
}

DeviceCard CardOfDevice(const device::DeviceIds& device) {
  DeviceCard card;
  if (!device.vendor) return card;
  card.vendor = *device.vendor;
  if (card.vendor != kPhilips) {
    card.kind = DeviceCard::Kind::OtherVendor;
    return card;
  }
  if (!device.device || !device.sub_vendor || !device.sub_device) return card;
  card.kind = DeviceCard::Kind::Philips;
  card.ids = {*device.device, *device.sub_vendor, *device.sub_device};
  return card;
}

std::optional<CardIds> PhilipsIds(const device::DeviceIds& device) {
  const DeviceCard card = CardOfDevice(device);
  if (card.kind != DeviceCard::Kind::Philips) return std::nullopt;
  return card.ids;
}

std::string CardsValue(const config::Definition& definition) {
  for (const config::IniLine& line : definition.lines) {
    if (line.kind == config::IniLine::Kind::Entry && config::EqualsIgnoreCase(line.section, "Setup") &&
        config::EqualsIgnoreCase(line.key, "Cards"))
      return line.value;
  }
  return {};
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
    const config::Definition read = config::ReadDefinition(path);
    // A file the plug-in reads as empty is no definition, with or without Cards=.
    if (!read.readable) {
      if (notes != nullptr) notes->unreadable.push_back(file);
      continue;
    }
    KnownDefinition definition{file, read.name, {}, {}, read.masks, read.reset_adr};
    for (const CardEntry& entry : ParseCardEntries(CardsValue(read))) {
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

// Written by definitions/generate.py from the card facts.
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

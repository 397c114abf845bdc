// Which shipped definitions fit a card: the definitions name their cards by
// PCI IDs in a [Setup] entry the plug-in ignores, "Cards=7133:1461:F31D,...",
// and the plug-in's device lines carry the same IDs.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace remote {

// A board as the driver's table knows it: the chip (the PCI device ID) and
// the board maker's subsystem IDs.
struct CardIds {
  uint32_t chip = 0, sub_vendor = 0, sub_device = 0;
  bool operator==(const CardIds&) const = default;
};

// "7133:1461:F31D,7134:1461:A836": upper- or lower-case hexadecimal, 1 to 4
// digits each, blanks around the commas allowed. nullopt when any triple is
// malformed or the list is empty.
std::optional<std::vector<CardIds>> ParseCardList(std::string_view text);
// "7133:1461:F31D".
std::string CardText(const CardIds& ids);

// The IDs in one of the plug-in's device lines ("Vendor: 1131, Device: 7134,
// SubVendor: 1461, SubDevice: F31D, rev. 1 ..."); nullopt when the vendor is
// not Philips' or a piece could not be read ("???").
std::optional<CardIds> DeviceLineIds(std::string_view line);

struct KnownDefinition {
  std::string file;  // the file's name in its folder
  std::string name;  // its Name=
  std::vector<CardIds> cards;
};

// More definitions than this in one folder are not read.
constexpr size_t kMaxKnownDefinitions = 1000;

// The definitions (*.cfg) in folder, which ends in a path separator, that
// name their cards, sorted by file name.
std::vector<KnownDefinition> ReadKnownDefinitions(const std::string& folder);

// The definitions that name ids, in the order given.
std::vector<const KnownDefinition*> MatchCard(const std::vector<KnownDefinition>& known, const CardIds& ids);

}  // namespace remote

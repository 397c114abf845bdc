// Which shipped definitions fit a card: the definitions name their cards by
// PCI IDs in a [Setup] entry the plug-in ignores, "Cards=7133:1461:F31D,...",
// and the driver gives a device's IDs as numbers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/definition.h"
#include "device/gpio_device.h"

namespace remote {

// A board as the driver's table knows it: the chip (the PCI device ID) and
// the board maker's subsystem IDs.
struct CardIds {
  uint32_t chip = 0, sub_vendor = 0, sub_device = 0;
  bool operator==(const CardIds&) const = default;
};

// One comma-separated entry of a Cards= value: chip:subvendor:subdevice in
// upper- or lower-case hexadecimal, 1 to 4 digits each (the device lines
// drop leading zeros), blanks around it allowed. The card search ignores an
// entry without ids; the check names each such entry.
struct CardEntry {
  std::string text;  // without the blanks around it
  std::optional<CardIds> ids;
};
// Every entry in order; a value of blanks only has none.
std::vector<CardEntry> ParseCardEntries(std::string_view text);
// The value of a definition's first Cards= in [Setup]; empty when it has none.
std::string CardsValue(const config::Definition& definition);
// "7133:1461:F31D".
std::string CardText(const CardIds& ids);

// What a device's IDs say of the card.
struct DeviceCard {
  enum class Kind {
    Philips,      // ids holds the card's IDs
    OtherVendor,  // read, but not a Philips chip: vendor holds it
    Unread,       // the driver gave no value for one of them
  };
  Kind kind = Kind::Unread;
  uint32_t vendor = 0;
  CardIds ids;
};
DeviceCard CardOfDevice(const device::DeviceIds& device);
// The IDs of a Philips chip's device, or nullopt.
std::optional<CardIds> PhilipsIds(const device::DeviceIds& device);

struct KnownDefinition {
  std::string file;                  // the file's name in its folder
  std::string name;                  // its Name=
  std::vector<CardIds> cards;        // empty: a board without a PCI ID, chosen by name
  std::vector<std::string> ignored;  // Cards entries the search ignores
  config::Masks masks;               // as the plug-in reads them
  int32_t reset_adr = -1;
};

// More definitions than this in one folder are not read.
constexpr size_t kMaxKnownDefinitions = 1000;

// What a read of the folder passed over.
struct FolderNotes {
  std::vector<std::string> left_out;    // past kMaxKnownDefinitions, by name
  std::vector<std::string> unreadable;  // the plug-in reads them as empty
};

// The definitions (*.cfg) in folder, which ends in a path separator, sorted
// by file name; notes, when given, gets what was passed over.
std::vector<KnownDefinition> ReadKnownDefinitions(const std::string& folder, FolderNotes* notes = nullptr);

// The definitions that name ids, in the order given.
std::vector<const KnownDefinition*> MatchCard(const std::vector<KnownDefinition>& known, const CardIds& ids);

// A card whose remote the driver does not read from the pins the way the
// plug-in does, from the card facts.
struct UnreadCard {
  CardIds ids;
  const char* card;    // the card's name
  const char* reason;  // one sentence: how the driver reads its remote
};
// nullptr when ids is no such card.
const UnreadCard* FindUnreadCard(const CardIds& ids);

}  // namespace remote

// The shipped definitions of known cards: each passes the tool's check
// untouched, names its cards in well-formed IDs (or says in its header that
// its boards have none), and reads its remote's pins as the driver's tables say.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "config/code_text.h"
#include "device/poll_cycle.h"
#include "remote/check.h"
#include "remote/known_cards.h"
#include "tests/support/remote_tool.h"

namespace {

std::vector<std::string> ShippedDefinitions() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(SAA_DEFINITIONS_DIR)) {
    if (entry.path().extension() == ".cfg") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Upper-case chip:subvendor:subdevice, as the card search compares them.
bool WellFormedTriple(const std::string& t) {
  if (t.size() != 14 || t[4] != ':' || t[9] != ':') return false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (i != 4 && i != 9 && !IsUpperHex(t[i])) return false;
  }
  return true;
}

TEST(RemoteDefinitions, EachIsCleanWithUniqueCodesAndWellFormedCards) {
  const std::vector<std::string> files = ShippedDefinitions();
  ASSERT_FALSE(files.empty()) << SAA_DEFINITIONS_DIR;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const remote::FileFacts facts = remote::GatherFacts(file);
    for (const remote::Finding& finding : remote::CheckDefinition(facts)) {
      ADD_FAILURE() << remote::FormatFinding(file, finding);
    }

    std::set<std::string> codes;
    for (const config::IniLine& line : facts.definition.lines) {
      if (line.kind != config::IniLine::Kind::Entry) continue;
      if (line.section == "Keys") {
        EXPECT_TRUE(codes.insert(line.key).second) << "code " << line.key << " twice";
      }
      if (line.section == "Setup" && line.key == "Cards") {
        EXPECT_EQ(line.value.find_first_of(" \t"), std::string::npos) << "blanks in " << line.value;
      }
    }
    EXPECT_GT(codes.size(), 0u);
    EXPECT_EQ(codes.size(), facts.definition.keys.size());
    // The entries as the card search reads them.
    const std::vector<remote::CardEntry> cards =
        remote::ParseCardEntries(remote::CardsValue(facts.definition));
    for (const remote::CardEntry& entry : cards) {
      EXPECT_TRUE(WellFormedTriple(entry.text)) << '"' << entry.text << '"';
      ASSERT_TRUE(entry.ids.has_value()) << entry.text;
      EXPECT_EQ(remote::FindUnreadCard(*entry.ids), nullptr)
          << entry.text << " is also a card whose remote is not read";
    }
    if (cards.empty()) {
      const auto& lines = facts.definition.lines;
      const bool says_why = std::any_of(lines.begin(), lines.end(), [](const config::IniLine& l) {
        return l.text.find("No board of this group has a PCI subsystem ID") != std::string::npos;
      });
      EXPECT_TRUE(says_why) << "no Cards= and no word why";
    }
  }
}

// One key of each remote whose boards have no PCI ID: the pins while it is
// held, and the same code pins with the press pins as no key leaves them.
TEST(RemoteDefinitions, TheRemotesChosenByNameReadAsTheirKeymapsSay) {
  const struct {
    const char* file;
    uint32_t down, up;
    const char* code;
    const char* name;
  } keys[] = {
      {"KWorld-Xpert.cfg", 0x1E, 0x3E, "0000001E", "Power"},       // pixelview 0x1E, GPIO5 low while held
      {"KWorld-Terminator.cfg", 0x1E, 0x5E, "0000001E", "Power"},  // GPIO5 and GPIO6 low while held
      {"Manli-MuchTV.cfg", 0x1200, 0x5200, "00001200", "Power"},   // manli 0x12 on GPIO8-12
      {"Sedna-PC-TV-Cardbus.cfg", 0x1200, 0x5200, "00001200", "Power"},
      {"Genius-TVGO-A11MCE.cfg", 0x200010, 0x10, "00000010", "Power"},  // any of GPIO20-23 high while held
      {"Zogis-Real-Angel-220.cfg", 0x1200, 0x5200, "00001200", "Power 2"},
  };
  for (const auto& key : keys) {
    SCOPED_TRACE(key.file);
    const config::Definition definition =
        config::ReadDefinition(std::string(SAA_DEFINITIONS_DIR) + "/" + key.file);
    bool previous = false;
    const device::PollReport decision = device::PollDecide(key.down, definition.masks, previous);
    EXPECT_TRUE(decision.Pressed);
    EXPECT_EQ(config::CodeText(decision.Code), key.code);
    EXPECT_EQ(KeyNameOf(definition, key.code), key.name);
    previous = false;
    EXPECT_FALSE(device::PollDecide(key.up, definition.masks, previous).Pressed);
  }
}

// The driver's scancodes 0x28, 0x18, 0x31, 0x3E and 0x00 of the AverMedia
// remote, on the pins with the press pin high.
TEST(RemoteDefinitions, TheAverMediaRemoteReadsAsItsKeymapSays) {
  const std::string file = std::string(SAA_DEFINITIONS_DIR) + "/AverMedia.cfg";
  const config::Definition definition = config::ReadDefinition(file);
  ASSERT_EQ(definition.masks.key_mask, 0x7C8u) << file;
  const struct {
    uint32_t pins;
    const char* code;
    const char* name;
  } keys[] = {{0x510, "00000500", "1"},
              {0x310, "00000300", "2"},
              {0x618, "00000608", "Channel +"},
              {0x7D0, "000007C0", "Volume +"},
              {0x010, "00000000", "Power"}};
  for (const auto& key : keys) {
    bool previous = false;
    const device::PollReport decision = device::PollDecide(key.pins, definition.masks, previous);
    EXPECT_TRUE(decision.Pressed) << key.code;
    EXPECT_EQ(config::CodeText(decision.Code), key.code);
    EXPECT_EQ(KeyNameOf(definition, key.code), key.name) << key.code;
  }
  bool previous = false;
  EXPECT_FALSE(device::PollDecide(0x500, definition.masks, previous).Pressed) << "press pin low";
  const auto cards = std::find_if(definition.lines.begin(), definition.lines.end(),
                                  [](const config::IniLine& line) { return line.key == "Cards"; });
  ASSERT_NE(cards, definition.lines.end());
  EXPECT_NE(cards->value.find("7133:1461:F31D"), std::string::npos) << "AverTV GO 007 FM Plus";
}

}  // namespace

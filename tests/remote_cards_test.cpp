// Known cards: the IDs a definition names and a device line carries, and the
// cards command on the simulated card, listing and installing beside the
// plug-in through its own settings writer, also as the guided session of a
// double-click offers it to a scripted person.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "sim/sim_control.h"
#include "tests/support/remote_tool.h"
#include "tests/support/sim_card.h"
#include "host/temp_dir.h"
#include "remote/cards.h"
#include "remote/check.h"
#include "remote/guided.h"
#include "remote/known_cards.h"

namespace {

using remote::CardIds;

// The IDs of the entries the card search takes, in order.
std::vector<CardIds> Taken(const char* cards) {
  std::vector<CardIds> ids;
  for (const remote::CardEntry& entry : remote::ParseCardEntries(cards)) {
    if (entry.ids) ids.push_back(*entry.ids);
  }
  return ids;
}

TEST(KnownCards, CardListsParseOrAreRefusedAndDeviceIdsNameACard) {
  const struct {
    const char* text;
    std::vector<CardIds> ids;  // the entries the search takes
  } lists[] = {
      {"7133:1461:F31D", {{0x7133, 0x1461, 0xF31D}}},
      {"7134:185b:c900 , 7130:1:2", {{0x7134, 0x185B, 0xC900}, {0x7130, 1, 2}}},
      {"7133:0:4091", {{0x7133, 0, 0x4091}}},
      {"", {}},
      {"7133:1461", {}},
      {"7133:1461:F31D,", {{0x7133, 0x1461, 0xF31D}}},
      {"7133:1461:1F31D, 7130:1:2", {{0x7130, 1, 2}}},
      {"7133:1461:F31D:1", {}},
      {"7133;1461;F31D", {}},
  };
  for (const auto& c : lists) EXPECT_EQ(Taken(c.text), c.ids) << c.text;
  EXPECT_EQ(remote::CardText({0x7133, 0x1461, 0x1}), "7133:1461:0001");

  using Kind = remote::DeviceCard::Kind;
  const std::nullopt_t unread = std::nullopt;
  const struct {
    device::DeviceIds device;
    Kind kind;
    CardIds ids;
  } devices[] = {
      {{0x1131, 0x7133, 0x5168, 0x138, 0x10}, Kind::Philips, {0x7133, 0x5168, 0x138}},
      {{0x1131, 0x7134, unread, 0xF31D, 1}, Kind::Unread, {}},
      {{unread, 0x7134, 0x1461, 0xF31D, 1}, Kind::Unread, {}},
      {{0x109E, 0x7134, unread, 0xF31D, 1}, Kind::OtherVendor, {}},
  };
  for (const auto& c : devices) {
    const std::string line = device::DescribeDevice(c.device);
    EXPECT_EQ(remote::CardOfDevice(c.device).kind, c.kind) << line;
    EXPECT_EQ(remote::CardOfDevice(c.device).ids, c.ids) << line;
  }
}

// check names exactly the entries the card search ignores, and no other.
TEST(KnownCards, CheckWarnsOfExactlyTheEntriesTheSearchIgnores) {
  const struct {
    const char* cards;
    size_t taken;
    std::vector<const char*> ignored;
  } cases[] = {
      {"7133:0:4091", 1, {}},
      {"7133:1461:F31D,", 1, {"an empty entry"}},
      {"7133:1461:F31D, zz ,7134:1:2", 2, {"\"zz\""}},
      {"7133:1461:1F31D", 0, {"\"7133:1461:1F31D\""}},
      {",", 0, {"an empty entry", "an empty entry"}},
  };
  host::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cards);
    dir.write("c.cfg", std::string("[Setup]\nName=R\nPressMask=100\nPressFlag=1\nKeyMask=FF\nCards=") +
                           c.cards + "\n[Keys]\n0000000C=A\n");
    const std::vector<remote::Finding> found =
        remote::CheckDefinition(remote::GatherFacts(dir.file("c.cfg")));
    ASSERT_EQ(found.size(), c.ignored.size()) << (found.empty() ? "" : found[0].text);
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_NE(found[i].text.find(c.ignored[i]), std::string::npos) << found[i].text;
      EXPECT_NE(found[i].text.find("the card search ignores it"), std::string::npos) << found[i].text;
    }
    const std::vector<remote::KnownDefinition> known = remote::ReadKnownDefinitions(dir.path());
    ASSERT_EQ(known.size(), 1u) << "a definition is never dropped for its Cards";
    EXPECT_EQ(known[0].cards.size(), c.taken);
    EXPECT_EQ(known[0].ignored.size(), c.ignored.size());
  }
}

class CardsCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    card = sim::control();
    ASSERT_NE(card, nullptr);
    card->Reset();
    sim::PciIds ids[3];
    ids[0].Device = 0x7133;                                // one remote
    ids[1].SubVendor = 0x185B, ids[1].SubDevice = 0xC900;  // shared by two remotes
    ids[2].SubVendor = 0x5168, ids[2].SubDevice = 0x3306;  // unknown
    card->SetDevices(ids, 3);
    known.write("Aver.cfg",
                "[Setup]\nName=Aver remote\nPressMask=100\nPressFlag=1\nKeyMask=FF\nReleaseDetect=0\n"
                "Cards=7133:1461:F31D\n[Keys]\n00000000=Power\n");
    known.write("Burner A.cfg", "[Setup]\nName=A\nCards=7134:185B:C900\n");
    known.write("Burner B.cfg", "[Setup]\nName=B\nCards=7130:1:2,7134:185b:c900\n");
    known.write("Learned.cfg", "[Setup]\nName=No cards named\n");
    plugin.write("SAA713x.dll", "");
    plugin.write("SAA713x.ini", "[Main]\nInterval=77\n");
  }
  void TearDown() override { card->Reset(); }

  remote::CardsReport Run(int32_t device, bool install, const std::string& choice = "") {
    return remote::RunCards({device, known.path(), install ? plugin.file("SAA713x.dll") : "", choice});
  }
  // The guided session's text, which always ends with the closing question.
  std::string Guided(const std::string& tool_folder, const std::string& answers) {
    const remote::GuidedPlaces places{
        tool_folder, known.path(), {"--interval", "10", "--idle-ms", "250", "--hold-ms", "700"}, {}};
    remote::StringInput in(answers);
    remote::StringOutput out;
    remote::RunGuided(places, in, out);
    EXPECT_TRUE(out.text().ends_with("Press Enter to close. \n")) << out.text();
    return out.text();
  }
  std::string Setting(const char* key) {
    return config::IniFile(plugin.file("SAA713x.ini")).ReadString("Main", key, "<missing>");
  }

  sim::Control* card = nullptr;
  host::TempDir known, plugin;
};

TEST_F(CardsCommand, ListsEveryDeviceWithTheDefinitionsThatFitIt) {
  const remote::CardsReport report = Run(0, false);
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_NE(report.out.find("3 known definitions"), std::string::npos) << report.out;
  EXPECT_NE(report.out.find("known card 7133:1461:F31D: Aver.cfg (\"Aver remote\")"), std::string::npos)
      << report.out;
  EXPECT_NE(report.out.find("7134:185B:C900 is the ID of cards with different remotes: Burner A.cfg (\"A\"), "
                            "Burner B.cfg (\"B\")"),
            std::string::npos)
      << report.out;
  EXPECT_NE(report.out.find("7134:5168:3306 is not a known card"), std::string::npos) << report.out;
  EXPECT_FALSE(plugin.exists("Aver.cfg"));
  EXPECT_EQ(Run(2, false).status, 1);
}

TEST_F(CardsCommand, InstallsTheFittingDefinitionAndSelectsIt) {
  remote::CardsReport report = Run(0, true);
  ASSERT_EQ(report.status, 0) << report.err;
  EXPECT_EQ(plugin.read("Aver.cfg"), known.read("Aver.cfg"));
  EXPECT_EQ(Setting("DefaultConfig"), "Aver.cfg");
  EXPECT_EQ(Setting("Device"), "0");
  EXPECT_EQ(Setting("Interval"), "77");
  EXPECT_EQ(Run(0, true).status, 0) << "the same file again is no conflict";

  // Several remotes share the IDs: the person chooses.
  report = Run(1, true);
  EXPECT_EQ(report.status, 2);
  EXPECT_NE(report.err.find("choose one with --definition"), std::string::npos) << report.err;
  EXPECT_EQ(Run(1, true, "Aver.cfg").status, 2);
  EXPECT_EQ(Setting("DefaultConfig"), "Aver.cfg");
  ASSERT_EQ(Run(1, true, "Burner B.cfg").status, 0);
  EXPECT_EQ(Setting("DefaultConfig"), "Burner B.cfg");
  EXPECT_EQ(Setting("Device"), "1");

  // An unknown card, and a different file of the same name: nothing changes.
  report = Run(2, true);
  EXPECT_EQ(report.status, 2);
  EXPECT_NE(report.out.find("SAA713xRemote learn"), std::string::npos) << report.out;
  plugin.write("Aver.cfg", "[Setup]\nName=Mine\n");
  report = Run(0, true);
  EXPECT_EQ(report.status, 2);
  EXPECT_NE(report.err.find("exists with other content"), std::string::npos) << report.err;
  EXPECT_EQ(plugin.read("Aver.cfg"), "[Setup]\nName=Mine\n");
  EXPECT_EQ(Setting("DefaultConfig"), "Burner B.cfg");
  EXPECT_EQ(remote::RunCards({0, known.path(), plugin.file("missing.dll"), ""}).status, 2);
}

// A driver failure during the listing ends the command with its sentence,
// never with a shorter list that looks complete.
TEST_F(CardsCommand, AFailedEnumerationIsReportedNotHidden) {
  const struct {
    sim::Call call;
    int32_t device;
    const char* sentence;
  } failures[] = {
      {sim::Call::Create, sim::kAnyDevice, "the driver's device enumerator cannot be created (code -1)"},
      {sim::Call::DeviceCount, sim::kAnyDevice, "the driver cannot count its devices (code -2)"},
      {sim::Call::Device, 1,
       "a device of the driver cannot be reached (code -4); the list ends before device 1"},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.sentence);
    card->ClearFailures();
    card->SetFailure(f.call, f.device, simtest::kEFail);
    for (int32_t device : {0, 2}) {
      const remote::CardsReport report = Run(device, false);
      EXPECT_EQ(report.status, 2);
      EXPECT_NE(report.err.find("cannot read the capture devices: " + std::string(f.sentence)),
                std::string::npos)
          << report.err;
      EXPECT_EQ(report.err.find("there is no device"), std::string::npos) << report.err;
      EXPECT_EQ(report.out.find("known card"), std::string::npos) << report.out;
    }
  }
}

// Each device that no definition fits gets the reason that holds for it.
TEST_F(CardsCommand, AnUnknownDeviceIsToldWhyAndWhatToDo) {
  sim::PciIds other, cinergy, unknown;
  other.Vendor = 0x109E;
  cinergy.SubVendor = 0x153B, cinergy.SubDevice = 0x1142;  // its remote is read on an interrupt
  unknown.SubVendor = 0x5168, unknown.SubDevice = 0x3306;
  const sim::PciIds ids[] = {other, cinergy, unknown, unknown};
  card->SetDevices(ids, 4);
  card->SetFailure(sim::Call::SubVendorId, 3, simtest::kEFail);
  const struct {
    int32_t device;
    int status;
    const char* said;
    const char* not_said;
  } cases[] = {
      {0, 1, "vendor 109E is not Philips (1131)", "cannot be read"},
      {1, 1, "Terratec Cinergy 400 TV): the driver reads its code once, on a GPIO18 edge",
       "Teach its remote"},
      {1, 1, "learn may still be tried, but what it finds is uncertain", "No definition fits"},
      {2, 1, "For a board without a PCI ID choose one by name: Learned.cfg (\"No cards named\")",
       "uncertain"},
      {3, 2, "The driver failed to give the IDs of device 3", "learn"},
  };
  for (const auto& c : cases) {
    const remote::CardsReport report = Run(c.device, false);
    EXPECT_EQ(report.status, c.status) << c.said;
    EXPECT_NE(report.out.find(c.said), std::string::npos) << report.out;
    EXPECT_EQ(report.out.find(c.not_said), std::string::npos) << report.out;
  }
}

// The folder read says what it leaves out, and a file the listing offers is
// one the install copies.
TEST_F(CardsCommand, WhatTheFolderReadLeavesOutIsSaid) {
  const std::string fits = "[Setup]\nName=Big\nPressMask=100\nPressFlag=1\nCards=7134:185B:C900\n[Keys]\n";
  known.write("Burner C.cfg", fits + std::string(2 * 1024 * 1024, ';') + "\n");
  known.write("Huge.cfg", fits + std::string(5 * 1024 * 1024, ';') + "\n");
  remote::CardsReport report = Run(1, true, "Burner C.cfg");
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_TRUE(plugin.exists("Burner C.cfg"));
  EXPECT_NE(report.err.find("the plug-in reads them as empty: Huge.cfg"), std::string::npos) << report.err;
  EXPECT_EQ(report.out.find("Huge.cfg"), std::string::npos) << report.out;

  for (size_t i = 0; i < remote::kMaxKnownDefinitions; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "More %04zu.cfg", i);
    known.write(name, "[Setup]\nName=M\n");
  }
  report = Run(0, false);
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_NE(report.err.find("more than 1000 definitions; 6 not read, from More 0994.cfg on"),
            std::string::npos)
      << report.err;
}

// --definition names the file as the system compares names.
TEST_F(CardsCommand, TheChosenDefinitionIsFoundAsTheSystemComparesNames) {
  const remote::CardsReport report = Run(1, true, "burner B.CFG");
#ifdef _WIN32
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_EQ(Setting("DefaultConfig"), "Burner B.cfg");
#else
  EXPECT_EQ(report.status, 2);
  EXPECT_NE(report.err.find("burner B.CFG does not fit device 1"), std::string::npos) << report.err;
#endif
}

TEST_F(CardsCommand, LearningAKnownCardStartsFromItsMasks) {
  // The held keys confirm the known masks; its key mask stays, wider than a
  // survey would find from keys 05 and 0A.
  char error[256];
  ASSERT_TRUE(
      card->LoadScript("tick 10\nsteady 00F00000\npress 100\npause 300\nkey 05 150\npause 100\n"
                       "key 0A 150\npause 300\nkey 05 150\npause 200\nkey 05 150\n",
                       error, sizeof error))
      << error;
  const std::string path = plugin.file("mine.cfg");
  const ToolRun run = RunRemoteTool({"learn", "--definitions", known.path(), "--interval", "10", "--idle-ms",
                                     "250", "--hold-ms", "700", path},
                                    "Mine\nFive\n\n");
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Known card 7133:1461:F31D: Aver.cfg"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("They fit"), std::string::npos) << run.out;
  const config::Definition learned = config::ReadDefinition(path);
  EXPECT_EQ(learned.masks.press_mask, 0x100u);
  EXPECT_EQ(learned.masks.key_mask, 0xFFu);
  EXPECT_FALSE(learned.masks.release_detect);
  EXPECT_EQ(KeyLines(learned), std::vector<std::string>{"00000005=Five"});
}

TEST_F(CardsCommand, GuidedInstallsAKnownCardsDefinitionIntoTheFolderOfADroppedPlugin) {
  const std::string out = Guided(known.path(), "0\n\"" + plugin.file("SAA713x.dll") + "\"\n1\n\n\n");
  EXPECT_NE(out.find("Device 0 is a known card: its remote's definition is Aver.cfg"), std::string::npos)
      << out;
  EXPECT_EQ(plugin.read("Aver.cfg"), known.read("Aver.cfg"));
  EXPECT_EQ(Setting("DefaultConfig"), "Aver.cfg");
}

TEST_F(CardsCommand, GuidedLeadsAnUnknownCardToLearningBesideThePluginInTheToolsFolder) {
  char error[256];
  ASSERT_TRUE(card->LoadScript(
      "tick 10\nsteady 00F00000\npress 00000100\npause 300\nkey 0C 150\npause 100\nkey 10 150\npause 600\n"
      "key 0C 100\npause 150\nkey 0C 100\npause 300\n",
      error, sizeof error))
      << error;
  plugin.write("Learned remote.cfg", "taken");
  // Enter takes the plug-in beside the tool, and then the name proposed.
  const std::string out = Guided(plugin.path(), "2\n\n1\n\nMine\nPower\n\n\n\n");
  EXPECT_NE(out.find("Device 2 is not a known card"), std::string::npos) << out;
  const config::Definition learned = config::ReadDefinition(plugin.file("Learned remote 2.cfg"));
  EXPECT_EQ(KeyLines(learned), std::vector<std::string>{"0000000C=Power"}) << out;
  EXPECT_EQ(Setting("DefaultConfig"), "Learned remote 2.cfg");
  EXPECT_EQ(Setting("Device"), "2");
}

TEST_F(CardsCommand, GuidedSaysPlainlyWhatItRefuses) {
  host::TempDir empty;
  const std::string cases[][2] = {
      {"9\n0\n" + empty.path(), "There is no SAA713x.dll in " + empty.path() + "."},
      {"0\n" + known.file("Aver.cfg"), "Aver.cfg is not the plug-in"},
  };
  for (const auto& [answers, said] : cases) {
    const std::string out = Guided(known.path(), answers + "\n");
    EXPECT_NE(out.find(said), std::string::npos) << out;
    EXPECT_EQ(out.find("Install "), std::string::npos) << out;
  }
  EXPECT_FALSE(plugin.exists("Aver.cfg"));
}

}  // namespace

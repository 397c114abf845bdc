// The guided session a double-click starts, with a scripted person on the
// simulated card: a known card installed into a plug-in folder given as a
// dropped path, an unknown card led to learning, refusals said plainly, and
// always the closing question last.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "platform/console.h"
#include "sim/sim_control.h"
#include "tests/support/remote_tool.h"
#include "tests/support/temp_dir.h"
#include "tools/remote/guided.h"
#include "tools/remote/plugin_link.h"

namespace {

constexpr char kClosing[] = "Press Enter to close. \n";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class Guided : public ::testing::Test {
 protected:
  void SetUp() override {
    card = sim::control();
    ASSERT_NE(card, nullptr);
    card->Reset();
    sim::PciIds ids[2];
    ids[0].Device = 0x7133;                                // known
    ids[1].SubVendor = 0x5168, ids[1].SubDevice = 0x3306;  // unknown
    card->SetDevices(ids, 2);
    known.write("Aver.cfg",
                "[Setup]\nName=Aver remote\nPressMask=100\nPressFlag=1\nKeyMask=FF\nCards=7133:1461:F31D\n"
                "[Keys]\n0000000C=Power\n");
    plugin.write("SAA713x.dll", "");
  }
  void TearDown() override { card->Reset(); }

  std::string Run(const std::string& tool_folder, const std::string& answers) {
    remote::GuidedPlaces places{tool_folder, known.path(), {"--interval", "10", "--idle-ms", "250", "--hold-ms", "700"}, {}};
    remote::StringInput in(answers);
    remote::StringOutput out;
    remote::RunGuided(places, in, out);
    return out.text();
  }
  std::string Setting(const char* key) {
    return config::IniFile(plugin.file("SAA713x.ini")).ReadString("Main", key, "<missing>");
  }

  sim::Control* card = nullptr;
  TempDir known, plugin, tool;
};

TEST_F(Guided, InstallsAKnownCardsDefinitionIntoTheFolderOfADroppedPlugin) {
  const std::string out = Run(tool.path(), "0\n\"" + plugin.file("SAA713x.dll") + "\"\n1\n\n\n");
  EXPECT_NE(out.find("Device 0 is a known card: its remote's definition is Aver.cfg (\"Aver remote\")"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Installed Aver.cfg beside"), std::string::npos) << out;
  EXPECT_TRUE(EndsWith(out, kClosing)) << out;
  EXPECT_EQ(plugin.read("Aver.cfg"), known.read("Aver.cfg"));
  EXPECT_EQ(Setting("DefaultConfig"), "Aver.cfg");
  EXPECT_EQ(Setting("Device"), "0");
}

TEST_F(Guided, LeadsAnUnknownCardToLearningBesideThePluginOfTheToolsFolder) {
  char error[256];
  ASSERT_TRUE(card->LoadScript(
      "tick 10\nsteady 00F00000\npress 00000100\npause 300\nkey 0C 150\npause 100\nkey 10 150\npause 600\n"
      "key 0C 100\npause 150\nkey 0C 100\npause 300\n",
      error, sizeof error))
      << error;
  plugin.write("Learned remote.cfg", "taken");
  // The plug-in beside the tool is taken with Enter; the proposed name with Enter too.
  const std::string out = Run(plugin.path(), "1\n\n1\n\nMine\nPower\n\n\n\n");
  EXPECT_NE(out.find("Device 1 is not a known card"), std::string::npos) << out;
  EXPECT_EQ(out.find("Install "), std::string::npos) << out;
  EXPECT_NE(out.find("[Learned remote 2.cfg]"), std::string::npos) << out;
  EXPECT_NE(out.find("1 file checked: 0 errors, 0 warnings"), std::string::npos) << out;
  EXPECT_TRUE(EndsWith(out, kClosing)) << out;
  const remote::Definition learned = remote::ReadDefinition(plugin.file("Learned remote 2.cfg"));
  EXPECT_EQ(learned.name, "Mine");
  EXPECT_EQ(learned.keys, std::vector<std::string>{"0000000C=Power"});
  EXPECT_EQ(Setting("DefaultConfig"), "Learned remote 2.cfg");
  EXPECT_EQ(Setting("Device"), "1");
  EXPECT_EQ(plugin.read("Learned remote.cfg"), "taken");
}

TEST_F(Guided, SaysPlainlyWhatItRefusesAndStillWaitsForEnter) {
  TempDir empty;
  const struct {
    std::string answers, said;
  } cases[] = {
      {"7\n0\n" + empty.path() + "\n", "There is no SAA713x.dll in " + empty.path() + "."},
      {"0\n" + empty.file("nowhere") + "\n", "There is nothing at " + empty.file("nowhere")},
      {"0\n" + known.file("Aver.cfg") + "\n", "Aver.cfg is not the plug-in"},
      {"0\n\n", "No plug-in given: nothing can be installed"},
  };
  for (const auto& c : cases) {
    const std::string out = Run(tool.path(), c.answers);
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
    EXPECT_EQ(out.find("Install "), std::string::npos) << out;
    EXPECT_TRUE(EndsWith(out, kClosing)) << out;
  }
  EXPECT_NE(Run(tool.path(), "7\n").find("Type one of the device numbers shown, from 0 to 1."),
            std::string::npos);
  EXPECT_FALSE(plugin.exists("SAA713x.ini"));

  card->SetDevices(nullptr, 0);
  const std::string out = Run(tool.path(), "");
  EXPECT_NE(out.find("No capture device can be read: install the driver"), std::string::npos) << out;
  EXPECT_TRUE(EndsWith(out, kClosing)) << out;
}

TEST(GuidedStart, OnlyAConsoleOfItsOwnStartsIt) {
  if (plat::console_of_its_own()) GTEST_SKIP() << "run at a console of its own";
  ToolRun run = RunRemoteTool({});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("usage: SAA713xRemote check"), std::string::npos) << run.err;
#ifndef _WIN32
  setenv("SAA713X_OWN_CONSOLE", "1", 1);
  run = RunRemoteTool({});
  unsetenv("SAA713X_OWN_CONSOLE");
  EXPECT_NE(run.out.find("sets up the remote control"), std::string::npos) << run.out;
  EXPECT_TRUE(EndsWith(run.out, kClosing)) << run.out;
  EXPECT_EQ(run.err, "");
#endif
}

}  // namespace

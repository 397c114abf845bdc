// The setup dialog's behaviour on the headless view: filling and saving
// against real files, the monitoring messages through the dialog's window,
// and the change handlers restarting the plug-in on the simulated card.
// Waits are bounded by generous guards only; nothing is timed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "config/settings.h"
#include "device/gpio_device.h"
#include "device/press_slot.h"
#include "host/temp_dir.h"
#include "platform/folder.h"
#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/window.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/restart.h"
#include "plugin/state.h"
#include "setup/headless_form.h"
#include "setup/model_list.h"
#include "setup/setup_form.h"
#include "setup/spinners.h"
#include "sim/sim_control.h"
#include "tests/support/test_core.h"
#include "tests/support/unicode_text.h"
#include "tests/support/watchdog.h"

using namespace config;
using namespace events;
using namespace setup;
using namespace plugin;

namespace {

constexpr uint32_t kGuardMs = 10000;

std::string Definition(const std::string& name, const std::string& setup, const std::string& keys) {
  return "[Setup]\nName=" + name + "\n" + setup + "[Keys]\n" + keys;
}

// A remote whose key-down pin is 31 and whose codes are the low 16 pins.
const char kPinSetup[] = "PressMask=80000000\nPressFlag=1\nKeyMask=FFFF\n";

// Shows the form and runs body inside its modal display; closing saves.
void ShowAndRun(HeadlessForm& form, const std::function<void()>& body) {
  Watchdog guard("the modal display", 60000);
  form.ShowModal([&] {
    body();
    form.Close();
  });
}

class SetupDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::set_module_path_override(dir.file("SAA713x.dll").c_str());
    card = sim::control();
    ASSERT_NE(card, nullptr);
    card->Reset();
    // A report an earlier test's card left untaken would be the first press.
    ResetPluginStateForTesting();
  }
  void TearDown() override {
    Stop();
    _SetupForm.store(nullptr);
    Close();
    if (card != nullptr) card->Reset();
    plat::set_module_path_override(nullptr);
  }

  void OpenPlugin() { Open("TEST", core.window(), info.bytes); }
  IniFile Settings() const { return IniFile(dir.file("SAA713x.ini")); }
  std::string Saved(const char* key) const { return Settings().ReadString("Main", key, "<missing>"); }

  host::TempDir dir;
  TestCore core;
  MessageBoxCapture boxes;
  host::CoreInfoBlock info{0x02070C00};
  sim::Control* card = nullptr;
};

// The dialog as Setup runs it: in setup mode, addressed by the key event
// thread, with the plug-in started; stopped again before the form goes.
struct SetupSession {
  HeadlessForm form{DialogRestart()};
  SetupSession() {
    _SetupForm.store(&form);  // setup mode while the form exists
    Start();
  }
  ~SetupSession() {
    Stop();
    _SetupForm.store(nullptr);
  }
};

std::vector<std::string> Texts(const std::vector<ModelItem>& items) {
  std::vector<std::string> texts;
  for (const ModelItem& item : items) texts.push_back(item.text);
  return texts;
}

// ---------------------------------------------------------------- pure rules

TEST(SetupModelOrder, SortsIgnoringLetterCaseAndKeepsSearchOrderForEqualTexts) {
  std::vector<ModelItem> items = {{"beta", 0}, {"Alpha", 1}, {"<Unknown>", 2}, {"alpha", 3}, {"ALPHA", 4}};
  SortModelItems(items);
  EXPECT_EQ(Texts(items), (std::vector<std::string>{"<Unknown>", "Alpha", "alpha", "ALPHA", "beta"}));
  EXPECT_EQ(items[1].file_index, 1);
  EXPECT_EQ(items[2].file_index, 3);
  EXPECT_EQ(items[3].file_index, 4);
}

TEST(SetupSpinnerRule, StepsAreClampedToTheRangeEvenFromOutsideIt) {
  const SpinnerSpec& interval = SpinnerSpecOf(Spinner::Interval);
  EXPECT_EQ(SpinnerProposedPosition(interval, 10, -10), 10);
  EXPECT_EQ(SpinnerProposedPosition(interval, 1000, 10), 1000);
  EXPECT_EQ(SpinnerProposedPosition(interval, 995, 10), 1000);
  EXPECT_EQ(SpinnerProposedPosition(interval, 50, 10), 60);
  EXPECT_EQ(SpinnerProposedPosition(interval, INT32_MAX, 10), 1000);  // no overflow on the way
  EXPECT_EQ(SpinnerDisplayPosition(SpinnerSpecOf(Spinner::Wait1), 5), 50);
  EXPECT_EQ(SpinnerDisplayPosition(SpinnerSpecOf(Spinner::Wait1), 70000), 1000);
}

// ---------------------------------------------------------------- filling and saving

TEST_F(SetupDialogTest, AMissingDefaultConfigPreselectsTheFileFoundFirstAndClosingWritesItsName) {
  dir.write("b.cfg", Definition("Zulu", "", ""));
  dir.write("a.cfg", Definition("Alpha", "", ""));
  dir.write("c.cfg", Definition("Mike", "", ""));
  dir.write("SAA713x.ini", "[Main]\nDefaultConfig=gone.cfg\n");
  OpenPlugin();
  const std::vector<std::string> found = plat::find_files(dir.path(), "*.cfg");
  ASSERT_EQ(found.size(), 3u);

  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    const HeadlessView& view = form.View();
    EXPECT_EQ(Texts(view.ModelItems()), (std::vector<std::string>{"Alpha", "Mike", "Zulu"}));
    ASSERT_GE(view.ModelIndex(), 0);
    EXPECT_EQ(view.ModelFileIndex(view.ModelIndex()), 0);
    ASSERT_NE(form.Dialog().ModelFileList(), nullptr);
    EXPECT_EQ(*form.Dialog().ModelFileList(), found);
  });
  EXPECT_EQ(Saved("DefaultConfig"), found[0]);
}

TEST_F(SetupDialogTest, TheDefaultConfigIsMatchedIgnoringCaseAndNoFileWritesTheFallbackName) {
  dir.write("Remote One.cfg", Definition("One", "", ""));
  dir.write("two.cfg", Definition("Two", "", ""));
  dir.write("SAA713x.ini", "[Main]\nDefaultConfig=TWO.CFG\n");
  OpenPlugin();
  {
    HeadlessForm form{DialogRestart()};
    ShowAndRun(form, [&] {
      const HeadlessView& view = form.View();
      ASSERT_GE(view.ModelIndex(), 0);
      EXPECT_EQ(view.ModelItems()[view.ModelIndex()].text, "Two");
    });
    EXPECT_EQ(Saved("DefaultConfig"), "two.cfg");
  }
  std::filesystem::remove(dir.file("Remote One.cfg").c_str());
  std::filesystem::remove(dir.file("two.cfg").c_str());
  HeadlessForm empty{DialogRestart()};
  ShowAndRun(empty, [&] {
    EXPECT_TRUE(empty.View().ModelItems().empty());
    EXPECT_EQ(empty.View().ModelIndex(), -1);
  });
  EXPECT_EQ(Saved("DefaultConfig"), "AverTV307.cfg");
  EXPECT_EQ(Saved("Interval"), "50");
}

// File names are ANSI bytes end to end (0xFC is "u" with diaeresis in code
// page 1252): listed by the definition's Name, preselected, saved back as the
// same bytes, and the definition still names its keys afterwards.
TEST_F(SetupDialogTest, ADefinitionWhoseNameHoldsALetterOutsideAsciiKeepsItsBytes) {
  const std::string kitchen =
      "K\xFC"
      "che.cfg";
  dir.write(kitchen, Definition("Kitchen", kPinSetup, "00008001=One\n"));
  dir.write("Other.cfg", Definition("Alpha", "", ""));
  dir.write("SAA713x.ini", "[Main]\nDefaultConfig=" + kitchen + "\n");
  OpenPlugin();
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    const HeadlessView& view = form.View();
    ASSERT_EQ(Texts(view.ModelItems()), (std::vector<std::string>{"Alpha", "Kitchen"}));
    EXPECT_EQ(view.ModelIndex(), 1);
  });
  EXPECT_NE(dir.read("SAA713x.ini").find("DefaultConfig=" + kitchen + "\n"), std::string::npos);
  LoadConfiguration();
  ASSERT_EQ(KeyList->Count(), 1);
  EXPECT_EQ((*RemoteNameList)[0], "Kitchen");
  const config::KeyIndex::Key* one = Remote.keys->Find(0x8001);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->name, "One");
  EXPECT_EQ(Remote.keys->RemoteName(), "Kitchen");
}

TEST_F(SetupDialogTest, TwoFilesWithTheSameNameAreBothListedEachCarryingItsOwnFile) {
  dir.write("first.cfg", Definition("Same", "", "00000001=First key\n"));
  dir.write("second.cfg", Definition("Same", "", "00000001=Second key\n"));
  dir.write("other.cfg", Definition("Another", "", ""));
  dir.write("SAA713x.ini", "[Main]\nDefaultConfig=other.cfg\n");
  OpenPlugin();
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    const HeadlessView& view = form.View();
    ASSERT_EQ(Texts(view.ModelItems()), (std::vector<std::string>{"Another", "Same", "Same"}));
    const std::vector<std::string>& files = *form.Dialog().ModelFileList();
    // Equal texts stay in search order, each naming its own file.
    ASSERT_LT(view.ModelItems()[1].file_index, view.ModelItems()[2].file_index);
    const std::string second_listed = files[view.ModelItems()[2].file_index];
    const std::string expected_key = second_listed == "first.cfg" ? "First key" : "Second key";
    form.UserSelectModel(2);
    EXPECT_EQ(Saved("DefaultConfig"), second_listed);
    ASSERT_EQ(view.KeyRows().size(), 1u);
    EXPECT_EQ(view.KeyRows()[0].key, expected_key);
    ASSERT_GE(view.ModelIndex(), 0);
    EXPECT_EQ(files[view.ModelFileIndex(view.ModelIndex())], second_listed);
  });
}

TEST_F(SetupDialogTest, UnreadableDefinitionsAndFoldersNamedCfgAreListedAsUnknown) {
  dir.write("named.cfg", Definition("Named", "", ""));
  dir.write("noname.cfg", "[Keys]\n00000001=A\n");
  ASSERT_TRUE(std::filesystem::create_directory(dir.file("folder.cfg")));
  OpenPlugin();
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    EXPECT_EQ(Texts(form.View().ModelItems()), (std::vector<std::string>{"<Unknown>", "<Unknown>", "Named"}));
  });
}

TEST_F(SetupDialogTest, TheKeyTableShowsEveryLineAndTheFirstNameOfARepeatedCode) {
  dir.write("r.cfg", Definition("R", "", "00000001=One\n0000000A=Ten\n0000000a=Ten again\n00000002=\n"));
  dir.write("SAA713x.ini", "[Main]\nDefaultConfig=r.cfg\n");
  OpenPlugin();
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    const std::vector<KeyRow>& rows = form.View().KeyRows();
    ASSERT_EQ(rows.size(), static_cast<size_t>(KeyList->Count()));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].code, "00000001");
    EXPECT_EQ(rows[0].key, "One");
    EXPECT_EQ(rows[2].code, "0000000a");
    EXPECT_EQ(rows[2].key, "Ten");  // the first line with that code, in any case
    EXPECT_EQ(rows[3].key, "");
  });
}

TEST_F(SetupDialogTest, TheDeviceListShowsTheSavedPositionNotTheOneInMemory) {
  dir.write("SAA713x.ini", "[Main]\nDevice=1\n");
  OpenPlugin();
  device::DeviceList->Add("Card A");
  device::DeviceList->Add("Card B");
  Device.store(0);
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    EXPECT_EQ(form.View().DeviceItems(), (std::vector<std::string>{"Card A", "Card B"}));
    EXPECT_EQ(form.View().DeviceIndex(), 1);
  });
  EXPECT_EQ(Saved("Device"), "1");
}

// Mend: with no device entry selected the user chose nothing, so the saved
// device survives a card that is missing for a moment.
TEST_F(SetupDialogTest, ClosingWithNoDeviceSelectedKeepsTheSavedDevice) {
  dir.write("SAA713x.ini", "[Main]\nDevice=3\n");
  OpenPlugin();
  device::DeviceList->Add("Only card");
  {
    HeadlessForm form{DialogRestart()};
    ShowAndRun(form, [&] { EXPECT_EQ(form.View().DeviceIndex(), -1); });
  }
  EXPECT_EQ(Saved("Device"), "3");
  EXPECT_EQ(Saved("Interval"), "50");  // the rest is saved as before

  dir.write("SAA713x.ini", "[Main]\nDevice=-1\n");
  {
    HeadlessForm form{DialogRestart()};
    ShowAndRun(form, [&] { EXPECT_EQ(form.View().DeviceIndex(), -1); });
  }
  EXPECT_EQ(Saved("Device"), "-1");

  std::filesystem::remove(dir.file("SAA713x.ini").c_str());
  device::DeviceList->Clear();
  {
    HeadlessForm form{DialogRestart()};
    ShowAndRun(form, [] {});
  }
  EXPECT_EQ(Saved("Device"), "<missing>");
  EXPECT_EQ(Saved("DefaultConfig"), "AverTV307.cfg");
}

// ---------------------------------------------------------------- spinners

TEST_F(SetupDialogTest, SpinnersStopAtTheirLimitsAndChangeTheSettingsAtOnce) {
  dir.write("SAA713x.ini", "[Main]\nInterval=20\nWait1=950\nWaitN=5\nWaitR=70000\n");
  OpenPlugin();
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    HeadlessView& view = form.View();
    EXPECT_EQ(view.SpinnerPosition(Spinner::Interval), 20);
    EXPECT_EQ(view.SpinnerPosition(Spinner::Wait1), 950);
    // Out of range in the file: the spinner shows its limit, the setting is kept.
    EXPECT_EQ(view.SpinnerPosition(Spinner::WaitN), 50);
    EXPECT_EQ(WaitN.load(), 5);
    EXPECT_EQ(view.SpinnerPosition(Spinner::WaitR), 1000);
    EXPECT_EQ(WaitR.load(), 70000);

    for (int i = 0; i < 3; ++i) form.UserStep(Spinner::Interval, -1);
    EXPECT_EQ(view.SpinnerPosition(Spinner::Interval), 10);
    EXPECT_EQ(Interval.load(), 10);
    for (int i = 0; i < 3; ++i) form.UserStep(Spinner::Wait1, +1);
    EXPECT_EQ(view.SpinnerPosition(Spinner::Wait1), 1000);
    EXPECT_EQ(Wait1.load(), 1000);
    form.UserStep(Spinner::WaitN, +1);
    EXPECT_EQ(WaitN.load(), 100);  // from the shown 50, not the stored 5
    form.UserStep(Spinner::WaitR, -1);
    EXPECT_EQ(WaitR.load(), 950);
  });
  EXPECT_EQ(Saved("Interval"), "10");
  EXPECT_EQ(Saved("Wait1"), "950");  // the waits are left to SaveWaits
}

TEST_F(SetupDialogTest, TheSpinnerHandlersWidenTheSignedPosition) {
  OpenPlugin();
  HeadlessForm form{DialogRestart()};
  form.Dialog().WaitRUpDownChangingEx(static_cast<int16_t>(-2));
  EXPECT_EQ(WaitR.load(), -2);
  form.Dialog().IntervalUpDownChangingEx(INT16_MAX);
  EXPECT_EQ(Interval.load(), 32767);
}

// ---------------------------------------------------------------- monitoring

class SetupMonitoringTest : public SetupDialogTest {
 protected:
  void SetUp() override {
    SetupDialogTest::SetUp();
    dir.write("r.cfg", Definition("R", "", "00000001=Power\n00000002=Mute\n00000003=Three\n"));
    dir.write("SAA713x.ini", "[Main]\nDefaultConfig=r.cfg\n");
    OpenPlugin();
  }
  // Posts as the key event thread does and lets the dialog handle it; each
  // monitoring message sets the caption once.
  static void Post(HeadlessForm& form, uint32_t msg, uint32_t high, uint32_t low) {
    const int before = form.View().CaptionUpdates();
    ASSERT_TRUE(plat::post_message(form.Handle.load(), msg, high, static_cast<intptr_t>(low)));
    ASSERT_TRUE(form.PumpUntil([&] { return form.View().CaptionUpdates() > before; }, kGuardMs));
  }
};

TEST_F(SetupMonitoringTest, PressReleasePressOfOneKeySetsLabelsAndRowOnlyTheFirstTime) {
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    HeadlessView& view = form.View();
    EXPECT_EQ(view.TestCaption(), "Monitoring");
    Post(form, kMonitorPress, 0, 2);
    EXPECT_EQ(view.TestCaption(), "Pressed");
    EXPECT_EQ(view.CodeLabel(), "Code: 00000002");
    EXPECT_EQ(view.KeyLabel(), "Key: Mute");
    EXPECT_EQ(view.CurrentKeyRow(), 1);
    const int labels = view.LabelUpdates();
    const int rows = view.RowUpdates();

    Post(form, kMonitorRelease, 0, 0);
    EXPECT_EQ(view.TestCaption(), "Released");
    form.UserSelectRow(2);  // the user looks elsewhere meanwhile
    Post(form, kMonitorPress, 0, 2);
    EXPECT_EQ(view.TestCaption(), "Pressed");
    EXPECT_EQ(view.LabelUpdates(), labels);
    EXPECT_EQ(view.RowUpdates(), rows + 1);  // only the user's move
    EXPECT_EQ(view.CurrentKeyRow(), 2);
  });
}

TEST_F(SetupMonitoringTest, AFreshDialogShowingTheLastCodeOfAnEarlierOneChangesOnlyTheCaption) {
  {
    HeadlessForm earlier{DialogRestart()};
    ShowAndRun(earlier, [&] { Post(earlier, kMonitorPress, 0, 3); });
    EXPECT_EQ(earlier.View().CodeLabel(), "Code: 00000003");
  }
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    Post(form, kMonitorPress, 0, 3);
    EXPECT_EQ(form.View().TestCaption(), "Pressed");
    EXPECT_EQ(form.View().CodeLabel(), "Code:");
    EXPECT_EQ(form.View().KeyLabel(), "");
    EXPECT_EQ(form.View().CurrentKeyRow(), 0);
    Post(form, kMonitorPress, 0, 1);  // another code is shown as usual
    EXPECT_EQ(form.View().KeyLabel(), "Key: Power");
  });
}

TEST_F(SetupMonitoringTest, AnUnknownCodeShowsItsTextTwiceAndLeavesTheRow) {
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    HeadlessView& view = form.View();
    Post(form, kMonitorPress, 0, 3);
    ASSERT_EQ(view.CurrentKeyRow(), 2);
    Post(form, kMonitorPress, 0, 0xBEEF);
    EXPECT_EQ(view.CodeLabel(), "Code: 0000BEEF");
    EXPECT_EQ(view.KeyLabel(), "Key: 0000BEEF");
    EXPECT_EQ(view.CurrentKeyRow(), 2);
    // The first parameter carries the high half of a 64-bit code.
    Post(form, kMonitorPress, 0x12, 0x3456789A);
    EXPECT_EQ(view.CodeLabel(), "Code: 123456789A");  // as many digits as the value needs
    EXPECT_EQ(LastShownCode, 0x123456789AULL);
  });
}

// Mend: the key label names the code the message carries, whatever the
// record holds by the time the message is handled.
TEST_F(SetupMonitoringTest, TheKeyLabelNamesTheDisplayedCodeNotWhatTheRecordHoldsLater) {
  HeadlessForm form{DialogRestart()};
  ShowAndRun(form, [&] {
    std::strcpy(KeyEventRecord.KeyName, "Three");  // the engine moved on to a later key
    Post(form, kMonitorPress, 0, 1);
    EXPECT_EQ(form.View().CodeLabel(), "Code: 00000001");
    EXPECT_EQ(form.View().KeyLabel(), "Key: Power");
  });
}

TEST_F(SetupMonitoringTest, OtherMessagesAreNotConsumed) {
  HeadlessForm form{DialogRestart()};
  EXPECT_FALSE(form.Dialog().WndProc(plat::kWmUser + 2, 0, 1));
  EXPECT_TRUE(form.Dialog().WndProc(kMonitorRelease, 0, 0));
  EXPECT_EQ(form.View().TestCaption(), "Released");
}

// ---------------------------------------------------------------- live, on the simulated card

class SetupLiveTest : public SetupDialogTest {
 protected:
  void SetUp() override {
    SetupDialogTest::SetUp();
    sim::PciIds two[2];
    two[1].SubDevice = 0xBEEF;
    card->SetDevices(two, 2);
    card->EnableLog(true);
    dir.write("tv.cfg", Definition("TV", kPinSetup, "00000005=Five\n00000007=Seven\n"));
    dir.write("radio.cfg", Definition("Radio", kPinSetup, "00000005=Radio five\n"));
    dir.write("SAA713x.ini", "[Main]\nDefaultConfig=tv.cfg\nInterval=10\nDevice=0\n");
    OpenPlugin();
  }
  static int ItemOf(const HeadlessView& view, const std::string& text) {
    const auto& items = view.ModelItems();
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].text == text) return static_cast<int>(i);
    }
    return -1;
  }
};

TEST_F(SetupLiveTest, KeysPressedOnTheCardReachTheMonitoringGroup) {
  SetupSession session;
  HeadlessForm& form = session.form;
  ASSERT_TRUE(Running());
  ShowAndRun(form, [&] {
    HeadlessView& view = form.View();
    card->SetPins(sim::kAnyDevice, 0x80000007);
    ASSERT_TRUE(form.PumpUntil([&] { return view.TestCaption() == "Pressed"; }, kGuardMs));
    EXPECT_EQ(view.CodeLabel(), "Code: 00000007");
    EXPECT_EQ(view.KeyLabel(), "Key: Seven");
    EXPECT_EQ(view.CurrentKeyRow(), 1);
    const int labels = view.LabelUpdates();
    card->SetPins(sim::kAnyDevice, 0);
    ASSERT_TRUE(form.PumpUntil([&] { return view.TestCaption() == "Released"; }, kGuardMs));
    card->SetPins(sim::kAnyDevice, 0x80000007);
    ASSERT_TRUE(form.PumpUntil([&] { return view.TestCaption() == "Pressed"; }, kGuardMs));
    EXPECT_EQ(view.LabelUpdates(), labels);
  });
  EXPECT_TRUE(core.received().empty());  // nothing reaches the core meanwhile
}

TEST_F(SetupLiveTest, AModelChangeRestartsThePlugInAndRefillsEverything) {
  SetupSession session;
  HeadlessForm& form = session.form;
  ShowAndRun(form, [&] {
    HeadlessView& view = form.View();
    ASSERT_EQ(view.DeviceItems().size(), 2u);
    ASSERT_EQ(view.KeyRows().size(), 2u);
    form.UserStep(Spinner::Wait1, +1);  // 350, live
    form.UserStep(Spinner::Interval, +1);
    const int creations = card->Creations();

    form.UserSelectModel(ItemOf(view, "Radio"));
    EXPECT_TRUE(Running());
    EXPECT_EQ(card->Creations(), creations + 1);  // stopped and opened again
    EXPECT_EQ(Saved("DefaultConfig"), "radio.cfg");
    EXPECT_EQ(Saved("Wait1"), "350");
    EXPECT_EQ(Saved("Interval"), "20");
    EXPECT_EQ((*RemoteNameList)[0], "Radio");
    ASSERT_EQ(view.KeyRows().size(), 1u);
    EXPECT_EQ(view.KeyRows()[0].key, "Radio five");
    EXPECT_EQ(view.ModelItems()[view.ModelIndex()].text, "Radio");
    EXPECT_EQ(view.DeviceItems().size(), 2u);
    EXPECT_EQ(view.DeviceIndex(), 0);
    EXPECT_EQ(view.SpinnerPosition(Spinner::Wait1), 350);
    EXPECT_EQ(view.SpinnerPosition(Spinner::Interval), 20);

    // Still live, still in setup mode, named by the new remote.
    card->SetPins(sim::kAnyDevice, 0x80000005);
    ASSERT_TRUE(form.PumpUntil([&] { return view.KeyLabel() == "Key: Radio five"; }, kGuardMs));
  });
  EXPECT_TRUE(core.received().empty());
}

TEST_F(SetupLiveTest, ADeviceChangeOpensTheChosenDeviceThroughTheSettingsFile) {
  SetupSession session;
  HeadlessForm& form = session.form;
  ShowAndRun(form, [&] {
    card->ClearLog();
    form.UserSelectDevice(1);
    EXPECT_TRUE(Running());
    EXPECT_EQ(Saved("Device"), "1");
    EXPECT_EQ(Device.load(), 1);
    EXPECT_NE(sim::log_text().find("get_GPIO[1]"), std::string::npos) << sim::log_text();
    EXPECT_EQ(form.View().DeviceIndex(), 1);
  });
}

// Mend: a failing start shows its box while the dialog stays open; a choice
// made while the box is up does not start a second restart inside the first,
// and the dialog works again afterwards.
TEST_F(SetupLiveTest, AStartFailingInAChangeHandlerLeavesTheDialogUsable) {
  SetupSession session;
  HeadlessForm& form = session.form;
  ShowAndRun(form, [&] {
    HeadlessView& view = form.View();
    card->SetFailure(sim::Call::Create, sim::kAnyDevice, static_cast<int32_t>(0x80004005));
    const int radio = ItemOf(view, "Radio");
    const int tv = ItemOf(view, "TV");
    boxes.set_during([&] {
      EXPECT_TRUE(form.Dialog().Changing());
      form.UserSelectModel(tv);  // ignored while the box is up
    });
    form.UserSelectModel(radio);
    boxes.set_during(nullptr);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_FALSE(Running());
    EXPECT_FALSE(form.Dialog().Changing());
    // Refilled with what the failed attempt left: no device, the new model.
    EXPECT_TRUE(view.DeviceItems().empty());
    EXPECT_EQ(view.DeviceIndex(), -1);
    EXPECT_EQ(view.ModelItems()[view.ModelIndex()].text, "Radio");
    EXPECT_EQ(Saved("DefaultConfig"), "radio.cfg");

    card->ClearFailures();
    form.UserSelectModel(ItemOf(view, "TV"));
    EXPECT_TRUE(Running());
    EXPECT_EQ(view.DeviceItems().size(), 2u);
    EXPECT_EQ(view.DeviceIndex(), 0);  // the device the file kept
    EXPECT_EQ(Saved("DefaultConfig"), "tv.cfg");
  });
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Saved("Device"), "0");
}

// The dialog that Setup makes: its window is the one the key event thread
// addresses, and the shown hook acts inside its modal display.
TEST_F(SetupLiveTest, SetupRunsTheDialogInSetupModeAndItSavesOnClosing) {
  bool shown = false;
  TSetupForm::SetShownHook([&](TSetupForm& form) {
    shown = true;
    HeadlessForm* headless = form.Headless();
    EXPECT_EQ(_SetupForm.load(), &form);
    EXPECT_TRUE(SetupMode());
    EXPECT_TRUE(Running());
    form.Dialog().SpinnerChanging(Spinner::WaitN, 100, 50);  // as a step of the real spinner
    if (headless != nullptr) {
      EXPECT_EQ(form.Handle.load(), headless->Handle.load());
      card->SetPins(sim::kAnyDevice, 0x80000005);
      EXPECT_TRUE(headless->PumpUntil([&] { return headless->View().KeyLabel() == "Key: Five"; }, kGuardMs));
    }
    form.Close();
  });
  {
    Watchdog guard("Setup", 60000);
    ::Setup();
  }
  TSetupForm::SetShownHook(nullptr);
  EXPECT_TRUE(shown);
  EXPECT_FALSE(Running());
  EXPECT_EQ(_SetupForm.load(), nullptr);
  EXPECT_EQ(Saved("WaitN"), "150");
  EXPECT_EQ(Saved("DefaultConfig"), "tv.cfg");
  EXPECT_TRUE(core.received().empty());
}

// A settings file saved as Unicode stays Unicode through a whole Setup; the
// lines the plug-in does not own keep even what ANSI cannot hold.
TEST_F(SetupDialogTest, AUnicodeSettingsFileSurvivesASetupInItsOwnEncoding) {
  dir.write("tv.cfg", Utf16Bytes(u"[Setup]\r\nName=T\u00E9l\u00E9\r\n[Keys]\r\n00000005=Five\r\n"));
  const std::u16string head = u"; \u4E2D\r\n[Main]\r\nDefaultConfig=tv.cfg\r\n";
  dir.write("SAA713x.ini", Utf16Bytes(head));
  OpenPlugin();
  ASSERT_EQ(RemoteNameList->Count(), 1);
  EXPECT_EQ((*RemoteNameList)[0], "T\xE9l\xE9");
  EXPECT_EQ(KeyList->Count(), 1);
  TSetupForm::SetShownHook([&](TSetupForm& form) {
    form.Dialog().SpinnerChanging(Spinner::WaitN, 100, 50);
    form.Close();
  });
  {
    Watchdog guard("Setup", 60000);
    ::Setup();
  }
  TSetupForm::SetShownHook(nullptr);
  const std::string saved = dir.read("SAA713x.ini");
  ASSERT_EQ(saved.substr(0, Utf16Bytes(head).size()), Utf16Bytes(head));
  ASSERT_EQ(saved.size() % 2, 0u);
  for (size_t i = Utf16Bytes(head).size() + 1; i < saved.size(); i += 2)
    ASSERT_EQ(saved[i], '\0') << "an 8-bit byte at " << i;
  EXPECT_EQ(Saved("WaitN"), "150");
  EXPECT_EQ(Saved("DefaultConfig"), "tv.cfg");
  EXPECT_EQ(Saved("Interval"), "50");
}

// A library path too long for ModulePath names no file: the plug-in runs on
// its defaults and reads, lists and writes nothing beside the cut path.
TEST_F(SetupDialogTest, ALibraryPathTooLongForModulePathTouchesNoFile) {
  dir.write("AverTV.cfg", Definition("Beside the cut", kPinSetup, "00000005=Five\n"));
  dir.write("SAA713x.ini", "[Main]\nInterval=70\n");
  const std::string module = dir.path() + "sub" + std::string(300, 'x') + "/SAA713x.dll";
  plat::set_module_path_override(module.c_str());
  OpenPlugin();
  EXPECT_STREQ(ModulePath, "");
  EXPECT_EQ(SettingsPath(), "");
  EXPECT_EQ((*RemoteNameList)[0], "<Unknown>");
  EXPECT_EQ(KeyList->Count(), 0);
  EXPECT_EQ(Interval.load(), 50);
  bool no_models = false;
  TSetupForm::SetShownHook([&](TSetupForm& form) {
    no_models = form.Dialog().ModelFileList() != nullptr && form.Dialog().ModelFileList()->empty();
    form.Dialog().SpinnerChanging(Spinner::WaitN, 100, 50);
    form.Close();
  });
  {
    Watchdog guard("Setup", 60000);
    ::Setup();
  }
  TSetupForm::SetShownHook(nullptr);
  EXPECT_TRUE(no_models);
  EXPECT_EQ(WaitN.load(), 150);  // kept in memory only
  EXPECT_EQ(plat::find_files(dir.path(), "*").size(), 2u);
  EXPECT_EQ(dir.read("SAA713x.ini"), "[Main]\nInterval=70\n");
}

}  // namespace

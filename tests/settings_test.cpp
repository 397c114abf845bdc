#include "config/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/code_text.h"
#include "config/hex.h"
#include "host/temp_dir.h"

using namespace config;

namespace fs = std::filesystem;

namespace {

// The values the library starts with, before any test changes them.
struct Initial {
  int32_t interval = Interval.load(), device = Device.load();
  int32_t wait1 = Wait1.load(), waitn = WaitN.load(), waitr = WaitR.load();
  bool release_detect = Remote.masks.release_detect, press_flag = Remote.masks.press_flag;
  int32_t reset_adr = Remote.reset_adr;
  size_t code_digits = CodeDigits;
  uint32_t press_mask = Remote.masks.press_mask, key_mask = Remote.masks.key_mask;
  size_t keys = Remote.keys != nullptr ? Remote.keys->Size() : 0;  // null names no code
  std::string module_path = ModulePath;
  bool lists = KeyList != nullptr || RemoteNameList != nullptr;
};
// Taken when the tests start, after every static initialiser has run.
Initial kInitial;
struct CaptureInitial : ::testing::Environment {
  void SetUp() override { kInitial = Initial(); }
};
const ::testing::Environment* const kCapture = ::testing::AddGlobalTestEnvironment(new CaptureInitial);

void SetModulePath(const std::string& path) {
  std::snprintf(ModulePath, sizeof ModulePath, "%s", path.c_str());
}

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    SetModulePath(dir_.file("SAA713x.dll"));
    KeyList = &keys_;
    RemoteNameList = &names_;
    Interval.store(50);
    Device.store(0);
    Wait1.store(300);
    WaitN.store(100);
    WaitR.store(200);
  }
  void TearDown() override {
    KeyList = nullptr;
    RemoteNameList = nullptr;
  }

  void ExpectDefinitionDefaults() {
    ASSERT_EQ(names_.Count(), 1);
    EXPECT_EQ(names_[0], "<Unknown>");
    EXPECT_TRUE(Remote.masks.release_detect);
    EXPECT_EQ(Remote.reset_adr, -1);
    EXPECT_EQ(Remote.masks.press_mask, 0u);
    EXPECT_FALSE(Remote.masks.press_flag);
    EXPECT_EQ(Remote.masks.key_mask, 0xFFFFFFFFu);
    EXPECT_EQ(keys_.Count(), 0);
    ASSERT_NE(Remote.keys, nullptr);
    EXPECT_EQ(Remote.keys->Size(), 0u);
    EXPECT_EQ(Remote.keys->RemoteName(), "<Unknown>");
  }

  host::TempDir dir_;
  StringList keys_;
  StringList names_;
};

const char kAverTV[] =
    "[Setup]\r\nName=AverTV Studio 307\r\nReleaseDetect=0\r\nResetAdr=3\r\nPressMask=0x80000\r\n"
    "PressFlag=1\r\nKeyMask=1F00\r\n[Keys]\r\n00000100=Power\r\n0000011a=Mute\r\n";

TEST(SettingsInitial, BuiltInValues) {
  EXPECT_EQ(kInitial.interval, 50);
  EXPECT_EQ(kInitial.device, 0);
  EXPECT_EQ(kInitial.wait1, 300);
  EXPECT_EQ(kInitial.waitn, 100);
  EXPECT_EQ(kInitial.waitr, 200);
  EXPECT_TRUE(kInitial.release_detect);
  EXPECT_EQ(kInitial.reset_adr, -1);
  EXPECT_EQ(kInitial.press_mask, 0u);
  EXPECT_FALSE(kInitial.press_flag);
  EXPECT_EQ(kInitial.key_mask, 0xFFFFFFFFu);
  EXPECT_EQ(kInitial.code_digits, 8u);
  EXPECT_EQ(kInitial.keys, 0u);
  EXPECT_EQ(kInitial.module_path, "");
  EXPECT_FALSE(kInitial.lists);
}

TEST(SettingsPaths, ExtensionAndFolderComeFromTheFileName) {
  const struct {
    const char* module;
    const char* settings;
    const char* folder;
  } cases[] = {
      {"C:\\Core\\Plug.ins\\SAA713x.dll", "C:\\Core\\Plug.ins\\SAA713x.ini", "C:\\Core\\Plug.ins\\"},
      {"/opt/core.d/libSAA713x.v2.so", "/opt/core.d/libSAA713x.v2.ini", "/opt/core.d/"},
      {"C:\\Core.1/plugin", "C:\\Core.1/plugin.ini", "C:\\Core.1/"},
      {"SAA713x.dll", "SAA713x.ini", ""},
  };
  for (const auto& c : cases) {
    SetModulePath(c.module);
    EXPECT_EQ(SettingsPath(), c.settings) << c.module;
    EXPECT_EQ(ModuleFolder(), c.folder) << c.module;
  }
  // A field without its end, or an empty one, holds no path: no file is named.
  std::memset(ModulePath, 'a', sizeof ModulePath);
  EXPECT_EQ(SettingsPath(), "");
  EXPECT_EQ(ModuleFolder(), "");
  SetModulePath("");
  EXPECT_EQ(SettingsPath(), "");
}

TEST_F(Settings, NoSettingsFileLoadsAverTvWithBuiltInTimings) {
  dir_.write("AverTV.cfg", kAverTV);
  LoadConfiguration();
  ReadWaits();
  EXPECT_EQ(Interval.load(), 50);
  EXPECT_EQ(Device.load(), 0);
  EXPECT_EQ(Wait1.load(), 300);
  EXPECT_EQ(WaitN.load(), 100);
  EXPECT_EQ(WaitR.load(), 200);
  ASSERT_EQ(names_.Count(), 1);
  EXPECT_EQ(names_[0], "AverTV Studio 307");
  EXPECT_FALSE(Remote.masks.release_detect);
  EXPECT_EQ(Remote.reset_adr, 3);
  EXPECT_EQ(Remote.masks.press_mask, 0x80000u);
  EXPECT_TRUE(Remote.masks.press_flag);
  EXPECT_EQ(Remote.masks.key_mask, 0x1F00u);
  ASSERT_EQ(keys_.Count(), 2);
  EXPECT_EQ(keys_[0], "00000100=Power");
  // Codes are written in upper case; the file's lower-case digits still match.
  const KeyIndex::Key* mute = Remote.keys->Find(0x11A);
  ASSERT_NE(mute, nullptr);
  EXPECT_EQ(mute->name, "Mute");
  EXPECT_EQ(Remote.keys->RemoteName(), "AverTV Studio 307");
  EXPECT_FALSE(dir_.exists("SAA713x.ini"));
}

TEST_F(Settings, DefinitionKeysFallBackToBuiltInValuesNotPreviousOnes) {
  dir_.write("AverTV.cfg", kAverTV);
  dir_.write("Bare.cfg", "[Setup]\nPressMask=\n");
  dir_.write("SAA713x.ini", "[Main]\nDefaultConfig=AverTV.cfg\n");
  LoadConfiguration();
  ASSERT_EQ(Remote.reset_adr, 3);
  const std::shared_ptr<const KeyIndex> first_keys = Remote.keys;
  ASSERT_EQ(first_keys->Size(), 2u);

  dir_.write("SAA713x.ini", "[Main]\nDefaultConfig=Bare.cfg\n");
  LoadConfiguration();
  EXPECT_EQ(Remote.reset_adr, -1);
  EXPECT_TRUE(Remote.masks.release_detect);
  EXPECT_FALSE(Remote.masks.press_flag);
  EXPECT_EQ(Remote.masks.key_mask, 0xFFFFFFFFu);
  EXPECT_EQ(Remote.masks.press_mask, 0u);
  EXPECT_EQ(names_[0], "<Unknown>");
  EXPECT_EQ(keys_.Count(), 0);
  EXPECT_EQ(Remote.keys->Size(), 0u);
  // A run that started with the first keys still has them.
  EXPECT_EQ(first_keys->Size(), 2u);

  // Values that are no integers count as missing; an empty mask gives 0.
  dir_.write("Bad.cfg", "[Setup]\nReleaseDetect=no\nResetAdr=0x3\nPressFlag=yes\nPressMask=-1\nKeyMask=\n");
  dir_.write("SAA713x.ini", "[Main]\nDefaultConfig=Bad.cfg\n");
  LoadConfiguration();
  EXPECT_TRUE(Remote.masks.release_detect);
  EXPECT_EQ(Remote.reset_adr, -1);
  EXPECT_FALSE(Remote.masks.press_flag);
  EXPECT_EQ(Remote.masks.press_mask, 0u);
  EXPECT_EQ(Remote.masks.key_mask, 0u);
}

TEST_F(Settings, MissingOrEmptyDefaultConfigGivesDefinitionDefaults) {
  dir_.write("AverTV.cfg", kAverTV);
  for (const char* settings : {"[Main]\nDefaultConfig=Gone.cfg\n", "[Main]\nDefaultConfig=\n",
                               "[Main]\nDefaultConfig=sub/none.cfg\n"}) {
    dir_.write("SAA713x.ini", settings);
    LoadConfiguration();
    ExpectDefinitionDefaults();
  }
}

TEST_F(Settings, IntervalAndDeviceKeepTheirValueWhenMissing) {
  Interval.store(120);
  Device.store(2);
  dir_.write("SAA713x.ini", "[Main]\nDefaultConfig=AverTV.cfg\n");
  LoadConfiguration();
  EXPECT_EQ(Interval.load(), 120);
  EXPECT_EQ(Device.load(), 2);

  dir_.write("SAA713x.ini", "[Main]\nInterval=fast\nDevice=1.5\n");
  LoadConfiguration();
  EXPECT_EQ(Interval.load(), 120);
  EXPECT_EQ(Device.load(), 2);

  // Any integer is taken; bounding is for the code that uses them.
  dir_.write("SAA713x.ini", "[Main]\nInterval=-5\nDevice=-1\n");
  LoadConfiguration();
  EXPECT_EQ(Interval.load(), -5);
  EXPECT_EQ(Device.load(), -1);
}

TEST_F(Settings, TwoLoadsLeaveTheSameState) {
  dir_.write("AverTV.cfg", kAverTV);
  names_.Add("stale");
  keys_.Add("00000001=Stale");
  LoadConfiguration();
  const LoadedRemote first = Remote;
  // Codes are named by their eight-digit text whatever was loaded.
  EXPECT_EQ(CodeText(0x100), "00000100");
  LoadConfiguration();
  ASSERT_EQ(names_.Count(), 1);
  EXPECT_EQ(names_[0], "AverTV Studio 307");
  ASSERT_EQ(keys_.Count(), 2);
  EXPECT_EQ(keys_[1], "0000011a=Mute");
  EXPECT_EQ(Remote.masks.press_mask, first.masks.press_mask);
  EXPECT_EQ(Remote.masks.key_mask, first.masks.key_mask);
  EXPECT_EQ(Remote.masks.press_flag, first.masks.press_flag);
  EXPECT_EQ(Remote.masks.release_detect, first.masks.release_detect);
  EXPECT_EQ(Remote.reset_adr, first.reset_adr);
  EXPECT_EQ(Remote.keys->Size(), first.keys->Size());
  EXPECT_EQ(Remote.keys->Find(0x1), nullptr);
}

TEST_F(Settings, LoadWithoutListsSetsTheSettingsOnly) {
  dir_.write("AverTV.cfg", kAverTV);
  KeyList = nullptr;
  RemoteNameList = nullptr;
  LoadConfiguration();
  EXPECT_EQ(Remote.reset_adr, 3);
  EXPECT_EQ(Remote.keys->Size(), 2u);
  EXPECT_EQ(keys_.Count(), 0);
  EXPECT_EQ(names_.Count(), 0);
}

TEST_F(Settings, ReadWaitsTakesIntegersAndKeepsCurrentValuesOtherwise) {
  Wait1.store(400);
  ReadWaits();
  EXPECT_EQ(Wait1.load(), 400);
  dir_.write("SAA713x.ini", "[Main]\nWait1=250\nWaitN=x\nWaitR=-7\n");
  ReadWaits();
  EXPECT_EQ(Wait1.load(), 250);
  EXPECT_EQ(WaitN.load(), 100);
  EXPECT_EQ(WaitR.load(), -7);
}

TEST_F(Settings, SaveWaitsWritesIntoMainKeepingTheRest) {
  dir_.write("SAA713x.ini", "; mine\n[Main]\nDefaultConfig=AverTV.cfg\nWaitN=1\n[Extra]\nA=1\n");
  Wait1.store(310);
  WaitN.store(-20);
  WaitR.store(990);
  SaveWaits();
  EXPECT_EQ(dir_.read("SAA713x.ini"),
            "; mine\n[Main]\nDefaultConfig=AverTV.cfg\nWaitN=-20\nWait1=310\nWaitR=990\n"
            "[Extra]\nA=1\n");
  Wait1.store(0);
  WaitN.store(0);
  WaitR.store(0);
  ReadWaits();
  EXPECT_EQ(Wait1.load(), 310);
  EXPECT_EQ(WaitN.load(), -20);
  EXPECT_EQ(WaitR.load(), 990);
}

TEST_F(Settings, SaveWaitsCreatesTheSettingsFileInOrder) {
  SaveWaits();
  std::string text = dir_.read("SAA713x.ini");
  std::string line_end = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  EXPECT_EQ(text,
            "[Main]" + line_end + "Wait1=300" + line_end + "WaitN=100" + line_end + "WaitR=200" + line_end);
}

TEST_F(Settings, SaveWaitsIntoReadOnlyFolderChangesNothing) {
  dir_.write("SAA713x.ini", "[Main]\nWait1=300\n");
  std::error_code error;
  fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec, error);
  std::string probe = dir_.file("probe");
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (file) {
    std::fclose(file);
    std::remove(probe.c_str());
    fs::permissions(dir_.path(), fs::perms::owner_all, error);
    GTEST_SKIP() << "folder permissions do not stop writing here";
  }
  Wait1.store(555);
  SaveWaits();
  fs::permissions(dir_.path(), fs::perms::owner_all, error);
  EXPECT_EQ(Wait1.load(), 555);
  EXPECT_EQ(dir_.read("SAA713x.ini"), "[Main]\nWait1=300\n");
}

TEST_F(Settings, TheDialogChoicesAreReadAndSavedInOneWrite) {
  SavedChoice none = ReadSavedChoice();
  EXPECT_EQ(none.definition, "AverTV.cfg");
  EXPECT_EQ(none.device, 0);
  ASSERT_TRUE(SaveDialogChoices(70, 2, " spaced.cfg"));
  std::string text = dir_.read("SAA713x.ini");
  std::string line_end = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  EXPECT_EQ(text, "[Main]" + line_end + "Interval=70" + line_end + "Device=2" + line_end +
                      "DefaultConfig=\" spaced.cfg\"" + line_end);
  // No device selected: the saved one stays.
  ASSERT_TRUE(SaveDialogChoices(80, -1, "b.cfg"));
  SavedChoice saved = ReadSavedChoice();
  EXPECT_EQ(saved.definition, "b.cfg");
  EXPECT_EQ(saved.device, 2);
  LoadConfiguration();
  EXPECT_EQ(Interval.load(), 80);
}

TEST(HexTextToInt, PrefixDigitsAndOverflow) {
  struct Case {
    const char* text;
    uint32_t value;
  };
  const Case cases[] = {
      {"FFFFFFFF", 0xFFFFFFFFu},
      {"0", 0},
      {"", 0},
      {"ff", 0xFF},
      {"0xff", 0xFF},
      {"0XfF", 0xFF},
      {"0xFF", 0xFF},
      {"F", 0xF},
      {"x", 0},
      {"0x", 0},
      {"0X", 0},
      {"0x0x1", 0},
      {"-1", 0},
      {"+1", 0},
      {"0x-1", 0},
      {" ff", 0},
      {"ff ", 0},
      {"f f", 0},
      {"fg", 0},
      {"0z1", 0},
      {"0b1", 0xB1},
      {"123456789", 0x23456789u},
      {"0xABCDEF0123456789", 0x23456789u},
      {"FFFFFFFFFFFFFFFF", 0xFFFFFFFFu},
      {"10000000000000000", 0},
      {"0000000000000000000000ff", 0xFF},
  };
  for (const Case& c : cases) EXPECT_EQ(HexTextToInt(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace

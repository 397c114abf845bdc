// Open: the instance name, the record it clears, the version check and the
// configuration it reads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/settings.h"
#include "host/temp_dir.h"
#include "platform/module.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/state.h"
#include "plugin/version_check.h"
#include "tests/support/test_core.h"

using namespace config;
using namespace plugin;

namespace {

class OpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::set_module_path_override(dir.file("SAA713x.dll").c_str());
    CoreVersionOk.store(false);
  }
  void TearDown() override {
    Close();
    plat::set_module_path_override(nullptr);
  }
  std::string Instance() const {
    return std::string(KeyEventRecord.InstanceName,
                       strnlen(KeyEventRecord.InstanceName, sizeof(KeyEventRecord.InstanceName)));
  }
  host::TempDir dir;
  TestCore core;
};

TEST(VersionCheck, AcceptsExactlyTheRangeOfMinorTwelveAndUp) {
  EXPECT_TRUE(CoreVersionAccepted(0x02070C00));
  EXPECT_TRUE(CoreVersionAccepted(0x0207FFFF));
  EXPECT_TRUE(CoreVersionAccepted(0x02070CFF));
  EXPECT_FALSE(CoreVersionAccepted(0x02070BFF));
  EXPECT_FALSE(CoreVersionAccepted(0x02080000));
  EXPECT_FALSE(CoreVersionAccepted(0x020700FF));  // the low byte does not count
  EXPECT_FALSE(CoreVersionAccepted(0x0206FFFF));
  EXPECT_FALSE(CoreVersionAccepted(0));
}

TEST_F(OpenTest, NullNameGivesRemoteAndEmptyNameStaysEmpty) {
  host::CoreInfoBlock info(0x02070C00);
  Open(nullptr, core.window(), info.bytes);
  EXPECT_EQ(Instance(), "REMOTE");
  Close();
  Open("", core.window(), info.bytes);
  EXPECT_EQ(Instance(), "");
}

TEST_F(OpenTest, LongNamesAreCutAtSixtyThreeCharactersAndTerminated) {
  const std::string name(100, 'n');
  Open(name.c_str(), core.window(), nullptr);
  EXPECT_EQ(Instance(), name.substr(0, 63));
  EXPECT_EQ(KeyEventRecord.InstanceName[63], '\0');
  Close();
  const std::string seventy = std::string(62, 'a') + "bcdefghi";
  Open(seventy.c_str(), core.window(), nullptr);
  EXPECT_EQ(Instance(), seventy.substr(0, 63));
}

TEST_F(OpenTest, ClearsTheRecordBeyondTheName) {
  std::memset(&KeyEventRecord, 0xAB, sizeof(KeyEventRecord));
  Open("IR", core.window(), nullptr);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&KeyEventRecord);
  EXPECT_EQ(Instance(), "IR");
  for (size_t i = 2; i < sizeof(KeyEventRecord); ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST_F(OpenTest, ReturnsTheSameDescriptionWhetherOrNotTheVersionIsAccepted) {
  host::CoreInfoBlock good(0x0207FFFF), bad(0x02080000);
  const char* refused = Open("a", core.window(), bad.bytes);
  EXPECT_FALSE(CoreVersionOk.load());
  Close();
  const char* accepted = Open("a", core.window(), good.bytes);
  EXPECT_TRUE(CoreVersionOk.load());
  EXPECT_EQ(refused, accepted);
  EXPECT_STREQ(accepted, "Philips SAA713x TV tuner");
  // Once accepted it stays accepted, also through a refusal or null info.
  Close();
  Open("a", core.window(), bad.bytes);
  Open("a", core.window(), nullptr);
  EXPECT_TRUE(CoreVersionOk.load());
}

TEST_F(OpenTest, RecordsTheWindowThePathAndCreatesTheLists) {
  Open("a", core.window(), nullptr);
  EXPECT_EQ(CoreWindow.load(), core.window());
  EXPECT_EQ(std::string(ModulePath), dir.file("SAA713x.dll"));
  ASSERT_NE(KeyList, nullptr);
  ASSERT_NE(RemoteNameList, nullptr);
  Close();
  EXPECT_EQ(KeyList, nullptr);
  EXPECT_EQ(RemoteNameList, nullptr);
  Close();  // a second Close has nothing left to free
}

TEST_F(OpenTest, ReadsTheWaitsAndTheDefinitionBesideTheLibrary) {
  dir.write("AverTV.cfg",
            "[Setup]\nName=Aver\nPressMask=100\nPressFlag=1\nKeyMask=FF\n"
            "[Keys]\n0000000C=Power\n0000000D=Mute\n");
  Open("a", core.window(), nullptr);
  EXPECT_EQ(Interval.load(), 50);
  EXPECT_EQ(Device.load(), 0);
  EXPECT_EQ(Wait1.load(), 300);
  EXPECT_EQ(WaitN.load(), 100);
  EXPECT_EQ(WaitR.load(), 200);
  ASSERT_EQ(RemoteNameList->Count(), 1);
  EXPECT_EQ((*RemoteNameList)[0], "Aver");
  ASSERT_EQ(KeyList->Count(), 2);
  EXPECT_EQ((*KeyList)[1], "0000000D=Mute");
  Close();
  dir.write("SAA713x.ini", "[Main]\nWait1=450\nWaitN=120\nWaitR=260\n");
  Open("a", core.window(), nullptr);
  EXPECT_EQ(Wait1.load(), 450);
  EXPECT_EQ(WaitN.load(), 120);
  EXPECT_EQ(WaitR.load(), 260);
}

}  // namespace

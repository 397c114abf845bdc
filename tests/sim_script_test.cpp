// The simulated card's session files: parsing, pin levels over virtual time,
// and a loaded script driving the card the plug-in opens.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "device/gpio_device.h"
#include "host/temp_dir.h"
#include "sim/script.h"
#include "tests/support/sim_card.h"

using namespace device;

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

TEST(SimScript, StepsFollowOneAnotherAndTheIdleLevelFillsTheRest) {
  sim::Script script;
  std::string error;
  ASSERT_TRUE(
      sim::ParseScript("# a session\n"
                       "idle 00000100 ; released\n"
                       "pause 200\n"
                       "  0000010C 800\n"
                       "pause 300\r\n"
                       "00000110 100\n",
                       script, error))
      << error;
  EXPECT_EQ(script.LengthMs(), 1400u);
  EXPECT_EQ(script.PinsAt(0), 0x100u);
  EXPECT_EQ(script.PinsAt(199), 0x100u);
  EXPECT_EQ(script.PinsAt(200), 0x10Cu);
  EXPECT_EQ(script.PinsAt(999), 0x10Cu);
  EXPECT_EQ(script.PinsAt(1000), 0x100u);
  EXPECT_EQ(script.PinsAt(1300), 0x110u);
  EXPECT_EQ(script.PinsAt(1400), 0x100u);
  EXPECT_EQ(script.PinsAt(uint64_t{1} << 40), 0x100u);
}

TEST(SimScript, SteadyPinsStayUnderEveryStepAndKeysAddThePressLevels) {
  sim::Script script;
  std::string error;
  ASSERT_TRUE(
      sim::ParseScript("steady 00F00000\nidle 1\npress 100\npause 100\nkey 0C 50\n"
                       "press 0\nkey 21 50\n00000002 50\n",
                       script, error))
      << error;
  EXPECT_EQ(script.PinsAt(0), 0x00F00001u);
  EXPECT_EQ(script.PinsAt(100), 0x00F0010Cu);
  EXPECT_EQ(script.PinsAt(150), 0x00F00021u);  // the press level as it was at that line
  EXPECT_EQ(script.PinsAt(200), 0x00F00002u);
  EXPECT_EQ(script.PinsAt(250), 0x00F00001u);
  EXPECT_FALSE(sim::ParseScript("key 0C\n", script, error));
  EXPECT_FALSE(sim::ParseScript("steady\n", script, error));
}

TEST(SimScript, DevicesAndFailuresAreParsed) {
  sim::Script script;
  std::string error;
  ASSERT_TRUE(
      sim::ParseScript("device 1131 7134 1461 F31D 1\n"
                       "device 1131 7133 5168 138 10\n"
                       "fail create\n"
                       "fail gpio 1 0\n"
                       "fail vendor * 80004001\n",
                       script, error))
      << error;
  ASSERT_EQ(script.Devices.size(), 2u);
  EXPECT_EQ(script.Devices[1].SubVendor, 0x5168u);
  EXPECT_EQ(script.Devices[1].Revision, 0x10u);
  ASSERT_EQ(script.Failures.size(), 3u);
  EXPECT_EQ(script.Failures[0].What, sim::Call::Create);
  EXPECT_EQ(script.Failures[0].Status, static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(script.Failures[1].Device, 1);
  EXPECT_EQ(script.Failures[1].Status, 0);
  EXPECT_EQ(script.Failures[2].Device, sim::kAnyDevice);
  EXPECT_EQ(script.Failures[2].Status, static_cast<int32_t>(0x80004001u));
}

TEST(SimScript, InvalidLinesAreRefusedWithTheirNumber) {
  const char* bad[] = {
      "00000100\n",          // no duration
      "xyz 100\n",           // no statement
      "0000010C -5\n",       // negative duration
      "0000010C 3600001\n",  // longer than an hour
      "100000000 10\n",      // more than 32 pins
      "pause 10 20\n",       // trailing text
      "device 1131 7134\n",  // ids missing
      "fail sometimes\n",    // unknown call
      "fail gpio 16\n",      // no such device
      "tick 0\n",            // a clock that never moves
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    sim::Script script;
    std::string error;
    EXPECT_FALSE(sim::ParseScript(std::string("idle 0\n") + text, script, error));
    EXPECT_THAT(error, HasSubstr("line 2"));
  }
  std::string many;
  for (size_t i = 0; i <= sim::kMaxScriptSteps; ++i) many += "pause 1\n";
  sim::Script script;
  std::string error;
  EXPECT_FALSE(sim::ParseScript(many, script, error));
}

class SimCardScript : public simtest::CardTest {};

TEST_F(SimCardScript, ALoadedFileSetsTheDevicesFailuresAndPins) {
  host::TempDir folder;
  folder.write("session.txt",
               "device 1131 7130 5456 7135 D1\n"
               "device 1131 7134 1461 F31D 1\n"
               "fail subdevice 1\n"
               "idle 0000C0FF\n"
               "0000C03F 600000\n");
  char error[128] = "x";
  ASSERT_TRUE(card->LoadScriptFile(folder.file("session.txt").c_str(), error, sizeof error)) << error;
  EXPECT_STREQ(error, "");
  ASSERT_EQ(Open(1), 0);
  EXPECT_THAT(
      simtest::Lines(devices),
      ElementsAre("Vendor: 1131, Device: 7130, SubVendor: 5456, SubDevice: 7135, rev. D1 (GotView)",
                  "Vendor: 1131, Device: 7134, SubVendor: 1461, SubDevice: ???, rev. 1 (AverTV 307)"));
  // The session started with the creation; its first step lasts ten minutes.
  EXPECT_EQ(ReadAllPins(opened, -1), 0x0000C03Fu);
  CloseDevice(opened);

  EXPECT_FALSE(card->LoadScriptFile(folder.file("missing.txt").c_str(), error, sizeof error));
  EXPECT_FALSE(card->LoadScript("pause x\n", error, sizeof error));
  EXPECT_THAT(std::string(error), HasSubstr("line 1"));
}

TEST_F(SimCardScript, PinsSetDirectlyOverrideTheScriptUntilTheNextLoad) {
  char error[64];
  ASSERT_TRUE(card->LoadScript("idle 1\n", error, sizeof error));
  ASSERT_EQ(Open(0), 0);
  EXPECT_EQ(ReadAllPins(opened, -1), 1u);
  card->SetPins(0, 0x80);
  EXPECT_EQ(ReadAllPins(opened, -1), 0x80u);
  ASSERT_TRUE(card->LoadScript("idle 2\n", error, sizeof error));
  EXPECT_EQ(ReadAllPins(opened, -1), 2u);
}

TEST_F(SimCardScript, ATickedSessionMovesOnWithEverySampleNotWithTheClock) {
  char error[64];
  ASSERT_TRUE(card->LoadScript("tick 10\nidle 8\n1 20\n2 10\n", error, sizeof error)) << error;
  ASSERT_EQ(Open(0), 0);
  std::vector<uint32_t> samples;
  for (int i = 0; i < 5; ++i) {
    samples.push_back(ReadAllPins(opened, -1));
    std::this_thread::sleep_for(std::chrono::milliseconds(i == 1 ? 40 : 0));  // a stall skips nothing
  }
  EXPECT_THAT(samples, ElementsAre(1u, 1u, 2u, 8u, 8u));
}

TEST_F(SimCardScript, TheLogKeepsOnlyTheNewestEntries) {
  ASSERT_EQ(Open(0), 0);
  card->ClearLog();
  for (int i = 0; i < sim::kLogCapacity / 32 + 4; ++i) ReadAllPins(opened, -1);
  auto log = simtest::Log();
  EXPECT_EQ(log.size(), static_cast<size_t>(sim::kLogCapacity));
  EXPECT_EQ(log.back(), "get_Pin(31)");
  card->EnableLog(false);
  card->ClearLog();
  ReadAllPins(opened, -1);
  EXPECT_TRUE(simtest::Log().empty());
}

}  // namespace

// Start, Stop and Close: their order, their no-ops and their failure paths,
// seen through the simulated card and the message boxes.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "device/gpio_device.h"
#include "device/press_slot.h"
#include "events/key_event_thread.h"
#include "platform/com.h"
#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "plugin/exports.h"
#include "plugin/state.h"
#include "sim/sim_control.h"
#include "tests/support/plugin_test.h"

using namespace plugin;

namespace {

class LifecycleTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    // Idle pins never count as a key: no notification unless a test presses.
    dir.write("AverTV.cfg", "[Setup]\nName=Test\nPressMask=100\nPressFlag=1\nKeyMask=FF\n");
    creations = card->Creations();
  }
  int Opened() const { return card->Creations() - creations; }

  MessageBoxCapture boxes;
  int creations = 0;
};

TEST_F(LifecycleTest, RefusedVersionShowsItsBoxAndStartsNothing) {
  Open("test", core.window(), nullptr);
  Start();
  EXPECT_FALSE(Running());
  EXPECT_EQ(Opened(), 0);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "Incorrect core version.");
  EXPECT_EQ(boxes.boxes()[0].caption, "Philips SAA713x TV tuner");
  EXPECT_EQ(boxes.boxes()[0].flags, plat::kMbIconError | plat::kMbOk);
}

TEST_F(LifecycleTest, StartRunsAndASecondStartDoesNothing) {
  OpenAccepted();
  Start();
  ASSERT_TRUE(Running());
  EXPECT_NE(PressSlot.KeyEvent(), nullptr);
  EXPECT_TRUE(events::KeyEventThreadRunning());
  ASSERT_EQ(device::DeviceList->Count(), 1);
  Start();
  EXPECT_EQ(Opened(), 1);
  EXPECT_TRUE(boxes.boxes().empty());
  Stop();
  EXPECT_FALSE(Running());
  EXPECT_EQ(PressSlot.KeyEvent(), nullptr);
  EXPECT_FALSE(events::KeyEventThreadRunning());
  EXPECT_EQ(card->LiveReferences(), 0);
  // The device list outlives the device, for the dialog.
  EXPECT_EQ(device::DeviceList->Count(), 1);
}

TEST_F(LifecycleTest, StopWithoutStartTouchesNothing) {
  OpenAccepted();
  card->EnableLog(true);
  Stop();
  Stop();
  EXPECT_EQ(sim::log_text(), "");
  EXPECT_FALSE(Running());
}

TEST_F(LifecycleTest, DeviceErrorShowsTheDeviceBoxAndLeavesNothingOpen) {
  card->SetDevices(nullptr, 0);
  OpenAccepted();
  Start();
  EXPECT_FALSE(Running());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "SAA713x");
  EXPECT_NE(boxes.boxes()[0].text.find("There is no available devices."), std::string::npos);
  EXPECT_EQ(PressSlot.KeyEvent(), nullptr);
  EXPECT_EQ(card->LiveReferences(), 0);
}

TEST_F(LifecycleTest, EachFailingCreationLeavesNothingOpenAndTheNextStartWorks) {
  OpenAccepted();
  struct Case {
    const char* what;
    void (*inject)();
  };
  const Case cases[] = {
      {"polling thread", [] { plat::inject_thread_create_failures(1); }},
      {"key event thread", [] { plat::inject_thread_create_failures(1, 1); }},
      {"polling stop event", [] { plat::inject_event_create_failures(1); }},
      {"KeyEvent", [] { plat::inject_event_create_failures(1, 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.inject();
    Start();
    EXPECT_FALSE(Running());
    EXPECT_EQ(PressSlot.KeyEvent(), nullptr);
    EXPECT_FALSE(events::KeyEventThreadRunning());
    EXPECT_EQ(card->LiveReferences(), 0);
    EXPECT_TRUE(boxes.boxes().empty());
    plat::inject_thread_create_failures(0);
    plat::inject_event_create_failures(0);
    Start();
    EXPECT_TRUE(Running());
    Stop();
  }
}

TEST_F(LifecycleTest, CloseWhileStartedEndsEverythingAndCloseTwiceIsHarmless) {
  OpenAccepted();
  Start();
  ASSERT_TRUE(Running());
  Close();
  EXPECT_FALSE(Running());
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(config::KeyList, nullptr);
  EXPECT_EQ(device::DeviceList, nullptr);
  EXPECT_EQ(config::RemoteNameList, nullptr);
  Close();
  Stop();
}

#if !defined(_WIN32)
TEST_F(LifecycleTest, ComUseIsBalancedAfterEveryStartAndFailure) {
  const int before = plat::com_init_balance();
  OpenAccepted();
  Start();
  EXPECT_EQ(plat::com_init_balance(), before + 1);
  Stop();
  EXPECT_EQ(plat::com_init_balance(), before);
  card->SetFailure(sim::Call::Gpio, sim::kAnyDevice, static_cast<int32_t>(0x80004005));
  Start();
  EXPECT_EQ(plat::com_init_balance(), before);
  plat::inject_thread_create_failures(1);
  card->ClearFailures();
  Start();
  EXPECT_EQ(plat::com_init_balance(), before);
}
#endif

TEST_F(LifecycleTest, APressReachesTheCoreAndStopSendsNoRelease) {
  OpenAccepted();
  card->SetPins(sim::kAnyDevice, 0x10C);
  Start();
  ASSERT_TRUE(core.PumpUntil([&] { return !core.received().empty(); }));
  Stop();
  const size_t after_stop = core.received().size();
  core.PumpFor(100);
  EXPECT_EQ(core.received().size(), after_stop);
  EXPECT_EQ(core.received().front().repeat, 0);
  EXPECT_EQ(core.received().front().code_text, "0000000C");
  EXPECT_EQ(core.received().front().instance, "test");
  for (const auto& n : core.received()) EXPECT_NE(n.repeat, -1);
}

}  // namespace

// The polling cycle's press decision sample by sample, the device error box,
// and the thread: reports reach the slot and KeyEvent, and a stop does not
// wait out a long Interval.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/settings.h"
#include "device/gpio_poll.h"
#include "device/poll_cycle.h"
#include "device/press_slot.h"
#include "platform/message_box.h"
#include "platform/sync.h"
#include "tests/support/sim_card.h"
#include "tests/support/test_core.h"
#include "tests/support/watchdog.h"

using namespace device;

using simtest::CardTest;
using simtest::kEFail;

namespace {

// ---------------------------------------------------------------- decision

struct Decision {
  bool report;
  bool pressed;
};

std::vector<Decision> Decide(const config::Masks& masks, std::initializer_list<uint32_t> samples) {
  bool previous = false;
  std::vector<Decision> out;
  for (uint32_t sample : samples) {
    PollReport report = PollDecide(sample, masks, previous);
    out.push_back({report.Report, report.Pressed});
  }
  return out;
}

TEST(PollDecide, PressTestAsksWhetherAnyMaskBitIsSetAndComparesWithTheFlag) {
  struct Case {
    uint32_t mask;
    bool flag;
    uint32_t sample;
    bool pressed;
  };
  const Case cases[] = {
      {0x000, false, 0x00000000, true},  {0x000, false, 0xFFFFFFFF, true},  {0x000, true, 0x00000000, false},
      {0x000, true, 0xFFFFFFFF, false},  {0x100, true, 0x00000100, true},   {0x100, true, 0xFFFFFEFF, false},
      {0x100, false, 0x00000100, false}, {0x100, false, 0xFFFFFEFF, true},  {0x300, false, 0x00000000, true},
      {0x300, false, 0x00000100, false}, {0x300, false, 0x00000200, false}, {0x300, false, 0x00000300, false},
      {0x300, true, 0x00000100, true},   {0x300, true, 0x00000300, true},   {0x300, true, 0xFFFFFCFF, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "mask " << c.mask << " flag " << c.flag << " sample "
                                    << c.sample);
    config::Masks masks;
    masks.press_mask = c.mask;
    masks.press_flag = c.flag;
    bool previous = false;
    PollReport report = PollDecide(c.sample, masks, previous);
    EXPECT_EQ(report.Pressed, c.pressed);
    EXPECT_EQ(report.Report, c.pressed);
    EXPECT_EQ(previous, c.pressed);
  }
}

TEST(PollDecide, CodeIsTheSampleUnderKeyMaskWhetherOrNotItChanged) {
  config::Masks masks;
  masks.key_mask = 0x000000FF;
  bool previous = false;
  EXPECT_EQ(PollDecide(0x12345678, masks, previous).Code, 0x78u);
  PollReport again = PollDecide(0x12345678, masks, previous);
  EXPECT_TRUE(again.Report);
  EXPECT_EQ(again.Code, 0x78u);
  PollReport changed = PollDecide(0x00000199, masks, previous);
  EXPECT_TRUE(changed.Report);
  EXPECT_TRUE(changed.Pressed);
  EXPECT_EQ(changed.Code, 0x99u);
}

TEST(PollDecide, OneReleaseReportAfterAPressOnlyWithReleaseDetect) {
  config::Masks masks;
  masks.press_mask = 0x100;
  masks.press_flag = true;
  auto on = Decide(masks, {0x000, 0x100, 0x000, 0x000, 0x100, 0x100, 0x000});
  const bool reported_on[] = {false, true, true, false, true, true, true};
  const bool pressed_on[] = {false, true, false, false, true, true, false};
  for (size_t i = 0; i < on.size(); ++i) {
    EXPECT_EQ(on[i].report, reported_on[i]) << "sample " << i;
    EXPECT_EQ(on[i].pressed, pressed_on[i]) << "sample " << i;
  }
  masks.release_detect = false;
  auto off = Decide(masks, {0x000, 0x100, 0x000, 0x000, 0x100, 0x000});
  const bool reported_off[] = {false, true, false, false, true, false};
  for (size_t i = 0; i < off.size(); ++i) EXPECT_EQ(off[i].report, reported_off[i]) << "sample " << i;
}

TEST(PollPause, IntervalIsBoundedBeforeTheWait) {
  EXPECT_EQ(PollPauseMs(50), 50u);
  EXPECT_EQ(PollPauseMs(1), 1u);
  EXPECT_EQ(PollPauseMs(0), 1u);
  EXPECT_EQ(PollPauseMs(-1), 1u);
  EXPECT_EQ(PollPauseMs(INT32_MIN), 1u);
  EXPECT_EQ(PollPauseMs(60000), 60000u);
  EXPECT_EQ(PollPauseMs(60001), 60000u);
  EXPECT_EQ(PollPauseMs(INT32_MAX), 60000u);
}

// ---------------------------------------------------------------- start and stop

class PollingTest : public CardTest {
 protected:
  MessageBoxCapture boxes;

  void SetUp() override {
    CardTest::SetUp();
    ResetPluginStateForTesting();
    config::Interval.store(5);
    masks.press_mask = 0x100;
    masks.press_flag = true;
    masks.key_mask = 0xFF;
  }
  void TearDown() override {
    polling.StopPolling();
    slot.CloseKeyEvent();
    slot.Clear();
    CardTest::TearDown();
  }
  bool StartPolling() {
    return polling.StartPolling({config::Device.load(), masks, -1, &config::Interval, &slot});
  }
  void StopPolling() { polling.StopPolling(); }

  config::Masks masks;
  PressSlot slot;
  Polling polling;
  // Takes reports until one matches, within a guard time.
  bool AwaitReport(bool pressed, uint64_t code) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    PressReport report;
    while (std::chrono::steady_clock::now() < end) {
      if (slot.Take(report) && report.Pressed == pressed && report.Code == code) return true;
      plat::sleep_ms(1);
    }
    return false;
  }
};

TEST_F(PollingTest, DeviceErrorsShowTheirBoxAndLeaveNothingOpen) {
  const std::string header = "Error initializing video capture device.\n";
  const std::string footer = "\nBe sure you are using SAA713x Philips reference WDM driver.";
  struct Case {
    const char* what;
    sim::Call call;
    int32_t device;
    int32_t status;
    int32_t index;
    const char* middle;
  };
  const Case cases[] = {
      {"-1", sim::Call::Create, sim::kAnyDevice, kEFail, 0, "Can't create instance of IVampDeviceEnum."},
      {"-2", sim::Call::DeviceCount, sim::kAnyDevice, kEFail, 0, "get_DeviceCount() failed."},
      {"-4", sim::Call::Device, 0, kEFail, 0, "Can't create instance of IVampDevice."},
      {"-5", sim::Call::Gpio, 0, kEFail, 0, "Can't create instance of IVampGPIO."},
      {"-7", sim::Call::Gpio, 0, kEFail, 5, "Can't create instance of IVampDeviceEnum."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    card->ClearFailures();
    if (c.index == 0) card->SetFailure(c.call, c.device, c.status);
    boxes.clear();
    config::Device.store(c.index);
    EXPECT_FALSE(StartPolling());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, header + c.middle + footer);
    EXPECT_EQ(boxes.boxes()[0].caption, "SAA713x");
    EXPECT_EQ(boxes.boxes()[0].flags, plat::kMbIconError | plat::kMbOk);
    EXPECT_EQ(card->LiveReferences(), 0);
    EXPECT_EQ(Balance(), 0);
  }

  SCOPED_TRACE("-3");
  card->ClearFailures();
  SetDevices({});
  boxes.clear();
  config::Device.store(0);
  EXPECT_FALSE(StartPolling());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, header + "There is no available devices." + footer);
}

TEST_F(PollingTest, StartClearsTheDeviceListBeforeEnumerating) {
  DeviceList->Add("stale line");
  ASSERT_TRUE(StartPolling());
  StopPolling();
  // The lines outlive the stop, for the dialog.
  ASSERT_EQ(DeviceList->Count(), 1);
  EXPECT_EQ((*DeviceList)[0].rfind("Vendor: 1131", 0), 0u);
}

TEST_F(PollingTest, WorksWithoutADeviceList) {
  delete DeviceList;
  DeviceList = nullptr;
  AddDeviceLine("ignored");
  ASSERT_TRUE(StartPolling());
  StopPolling();
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);
}

TEST_F(PollingTest, ThreadCreationFailureClosesTheDeviceWithoutABox) {
  plat::inject_thread_create_failures(1);
  EXPECT_FALSE(StartPolling());
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);
  // The next start works.
  ASSERT_TRUE(StartPolling());
  StopPolling();
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);
}

TEST_F(PollingTest, ThreadReportsPressesAndOneReleaseAndSignalsKeyEvent) {
  Watchdog guard("polling thread reports", 60000);
  card->SetPins(0, 0x1FF);  // bit 8: pressed, code 0xFF
  ASSERT_TRUE(StartPolling());
  // KeyEvent comes after the thread started; the thread must find it.
  ASSERT_NE(slot.OpenKeyEvent(), nullptr);
  EXPECT_EQ(plat::wait(slot.KeyEvent(), 10000), plat::WaitResult::Signaled);
  EXPECT_TRUE(AwaitReport(true, 0xFF));

  card->SetPins(0, 0x142);  // still held, new code
  EXPECT_TRUE(AwaitReport(true, 0x42));

  card->SetPins(0, 0x042);  // released: one release report with the last code
  EXPECT_TRUE(AwaitReport(false, 0x42));
  // Then silence: after several more samples nothing new waits.
  card->ClearLog();
  while (simtest::CountOf(simtest::Log(), "get_Pin(31)") < 5) plat::sleep_ms(2);
  EXPECT_FALSE(slot.HasNew());

  StopPolling();
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);
}

TEST_F(PollingTest, StopDoesNotWaitOutALongInterval) {
  Watchdog guard("stop with a long interval", 60000);
  config::Interval.store(1000);
  ASSERT_TRUE(StartPolling());
  // Let the thread sample once and enter its pause.
  while (simtest::CountOf(simtest::Log(), "get_Pin(31)") < 1) plat::sleep_ms(1);
  plat::sleep_ms(20);
  auto start = std::chrono::steady_clock::now();
  StopPolling();
  auto ms = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
                .count() /
            1000.0;
  std::printf("StopPolling with Interval 1000 took %.2f ms\n", ms);
  EXPECT_LT(ms, 500.0);
  EXPECT_EQ(card->LiveReferences(), 0);
  // The device is closed only after the thread ended: no read after the close.
  auto log = simtest::Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Release(Device[0])");
}

TEST_F(PollingTest, NegativeIntervalFromTheFileStillLetsStopReturn) {
  Watchdog guard("stop with a negative interval", 60000);
  config::Interval.store(-1);
  ASSERT_TRUE(StartPolling());
  while (simtest::CountOf(simtest::Log(), "get_Pin(31)") < 3) plat::sleep_ms(1);
  StopPolling();
  EXPECT_EQ(card->LiveReferences(), 0);
}

}  // namespace

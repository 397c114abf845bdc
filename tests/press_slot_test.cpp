// The press slot hands over the newest report whole: code and flag of one
// report, and a report that arrives while another is taken is not lost.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/press_slot.h"
#include "platform/sync.h"
#include "plugin/state.h"
#include "tests/support/watchdog.h"

using namespace device;

namespace {

class PressSlotTest : public ::testing::Test {
 protected:
  void TearDown() override { slot.CloseKeyEvent(); }
  PressSlot slot;
};

TEST_F(PressSlotTest, TakesEachReportOnceAndKeepsTheLastPressCodeForReleases) {
  PressReport report;
  EXPECT_FALSE(slot.HasNew());
  EXPECT_FALSE(slot.Take(report));

  slot.Report(true, 0xFFFFFFFFu);
  EXPECT_TRUE(slot.HasNew());
  ASSERT_TRUE(slot.Take(report));
  EXPECT_EQ(report.Code, 0xFFFFFFFFull);  // the high half stays zero
  EXPECT_TRUE(report.Pressed);
  EXPECT_FALSE(slot.Take(report));

  slot.Report(false, 0x1234);  // a release's code is not stored
  ASSERT_TRUE(slot.Take(report));
  EXPECT_EQ(report.Code, 0xFFFFFFFFull);
  EXPECT_FALSE(report.Pressed);
}

TEST_F(PressSlotTest, AnUntakenReportIsReplacedByTheNewest) {
  slot.Report(true, 1);
  slot.Report(true, 2);
  slot.Report(false, 3);
  PressReport report;
  ASSERT_TRUE(slot.Take(report));
  EXPECT_EQ(report.Code, 2u);
  EXPECT_FALSE(report.Pressed);
  EXPECT_FALSE(slot.Take(report));
}

// Reports come in pairs, the second hard on the first, while the reader keeps
// taking: report i is a press with code i unless i is a multiple of 3, which
// releases press i - 1. A pressed report with a release's code, or a release
// whose code is not the press before it, means two reports were mixed; a pair
// whose second report never reaches the reader means the newest was lost.
TEST_F(PressSlotTest, ConcurrentReportsAreNeverMixedAndTheNewestIsNeverLost) {
  Watchdog guard("press slot stress", 120000);
  constexpr uint32_t kPairs = 20000;
  std::atomic<uint64_t> seen{0};
  std::atomic<bool> done{false};
  bool mixed = false, backwards = false;
  std::thread reader([&] {
    uint64_t last = 0;
    PressReport report;
    while (!done.load(std::memory_order_acquire)) {
      if (!slot.Take(report)) continue;
      if (report.Pressed ? report.Code % 3 == 0 : report.Code % 3 != 2) mixed = true;
      if (report.Code < last) backwards = true;
      last = report.Code;
      // A release carries the code of the press before it: count it as seen.
      seen.store(report.Pressed ? report.Code : report.Code + 1, std::memory_order_release);
    }
  });
  uint32_t lost = 0;
  for (uint32_t pair = 1; pair <= kPairs && lost == 0; ++pair) {
    for (uint32_t i = 2 * pair - 1; i <= 2 * pair; ++i) slot.Report(i % 3 != 0, i);
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (seen.load(std::memory_order_acquire) < 2 * pair) {
      if (std::chrono::steady_clock::now() > give_up) {
        lost = pair;
        break;
      }
      std::this_thread::yield();
    }
  }
  done.store(true, std::memory_order_release);
  reader.join();
  EXPECT_EQ(lost, 0u) << "the second report of pair " << lost << " never arrived";
  EXPECT_FALSE(mixed);
  EXPECT_FALSE(backwards);
}

TEST_F(PressSlotTest, KeyEventIsEmptyAtLoad) {
  EXPECT_EQ(plugin::PressSlot.KeyEvent(), nullptr);
  EXPECT_EQ(slot.KeyEvent(), nullptr);
}

TEST_F(PressSlotTest, AReportSignalsKeyEventWhileItIsOpenAndClearForgetsTheReport) {
  slot.Report(true, 7);  // no event yet: published all the same
  const plat::Handle event = slot.OpenKeyEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(slot.KeyEvent(), event);
  EXPECT_EQ(plat::wait(event, 0), plat::WaitResult::Timeout);
  slot.Report(false, 0);
  EXPECT_EQ(plat::wait(event, 10000), plat::WaitResult::Signaled);
  slot.Clear();
  EXPECT_FALSE(slot.HasNew());
  PressReport report;
  EXPECT_FALSE(slot.Take(report));
  slot.CloseKeyEvent();
  EXPECT_EQ(slot.KeyEvent(), nullptr);
}

}  // namespace

// Stop, Close and Start while a notification is on its way to the core, and
// from inside the core's own handler of it: none may hang, and the thread
// must touch nothing that Stop released.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/press_slot.h"
#include "events/key_event_thread.h"
#include "events/key_event_thread_testing.h"
#include "platform/com.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/exports.h"
#include "plugin/state.h"
#include "sim/sim_control.h"
#include "tests/support/plugin_test.h"
#include "tests/support/sim_card.h"
#include "tests/support/watchdog.h"

namespace {

constexpr uint32_t kGuardMs = 20000;

class StopReentryTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    dir.write("AverTV.cfg",
              "[Setup]\nName=Test\nPressMask=100\nPressFlag=1\nKeyMask=FF\n"
              "[Keys]\n0000000C=Power\n");
    dir.write("SAA713x.ini", "[Main]\nInterval=10\n");
    OpenAccepted();
    card->SetPins(sim::kAnyDevice, 0x10C);  // a key held from the start
  }
  // The held key has been sampled a few times, so the key event thread has
  // had its report and, as this thread does not pump, waits in its delivery.
  bool WaitForDeliveryInFlight() {
    const uint32_t start = plat::tick_count();
    while (!events::KeyNotifyInFlightForTesting()) {
      if (plat::tick_count() - start > kGuardMs) return false;
      plat::sleep_ms(1);
    }
    return true;
  }
};

TEST_F(StopReentryTest, StopLetsTheDeliveryInFlightCompleteInsteadOfDeadlocking) {
  card->EnableLog(true);
  bool stopping = false;
  bool delivered_inside_stop = false;
  core.on_notify = [&](const Notification&) {
    if (core.received().size() == 1) delivered_inside_stop = stopping && plat::in_send_message();
  };
  Start();
  ASSERT_TRUE(WaitForDeliveryInFlight());  // the thread is blocked on us now
  {
    Watchdog guard("Stop with a KeyNotify in flight", kGuardMs);
    stopping = true;
    Stop();
  }
  EXPECT_FALSE(plugin::Running());
  ASSERT_FALSE(core.received().empty());
  EXPECT_TRUE(delivered_inside_stop) << "the delivery was not waiting when Stop came";
  EXPECT_EQ(core.received().front().repeat, 0);
  EXPECT_EQ(core.received().front().key_name, "Power");
}

TEST_F(StopReentryTest, StopInsideTheHandlerReturnsAndTheThreadEndsAfterIt) {
  int calls = 0;
  core.on_notify = [&](const Notification&) {
    if (calls++ == 0) Stop();
  };
  Start();
  {
    Watchdog guard("Stop inside the core's handler", kGuardMs);
    ASSERT_TRUE(core.PumpUntil([&] { return calls > 0; }));
  }
  EXPECT_FALSE(plugin::Running());
  core.PumpFor(150);
  EXPECT_EQ(calls, 1) << "a notification came after Stop";
  // A new start begins afresh with a press.
  core.on_notify = nullptr;
  Start();
  ASSERT_TRUE(core.PumpUntil([&] { return core.received().size() >= 2; }));
  EXPECT_EQ(core.received()[1].repeat, 0);
  Stop();
}

TEST_F(StopReentryTest, StopAndStartInsideTheHandlerLeaveOneThreadRunning) {
  int calls = 0;
  core.on_notify = [&](const Notification&) {
    if (calls++ == 0) {
      Stop();
      Start();
    }
  };
  Start();
  {
    Watchdog guard("Stop and Start inside the core's handler", kGuardMs);
    ASSERT_TRUE(core.PumpUntil([&] { return core.received().size() >= 4; }));
  }
  // The old thread ended after its delivery; the new one pressed and repeats
  // in order, with no second press interleaved from a leftover thread.
  const auto repeats = core.repeats();
  EXPECT_EQ(repeats[0], 0);
  EXPECT_EQ(repeats[1], 0);
  for (size_t i = 2; i < repeats.size(); ++i) EXPECT_EQ(repeats[i], static_cast<int32_t>(i - 1));
  Watchdog guard("Stop afterwards", kGuardMs);
  Stop();
}

TEST_F(StopReentryTest, CloseInsideTheHandlerFreesNothingTheThreadStillUses) {
  bool closed = false;
  core.on_notify = [&](const Notification&) {
    if (!closed) {
      closed = true;
      Close();
    }
  };
  Start();
  Watchdog guard("Close inside the core's handler", kGuardMs);
  ASSERT_TRUE(core.PumpUntil([&] { return closed; }));
  core.PumpFor(100);
  EXPECT_FALSE(plugin::Running());
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(core.received().size(), 1u);
}

TEST_F(StopReentryTest, ThousandStartStopCyclesWhileKeysArePressedLeakNothing) {
  dir.write("SAA713x.ini", "[Main]\nInterval=1\n");
  Close();
  OpenAccepted();
#if !defined(_WIN32)
  const int balance = plat::com_init_balance();
#endif
  Watchdog guard("1000 Start/Stop cycles", 120000);
  for (int cycle = 0; cycle < 1000; ++cycle) {
    card->SetPins(sim::kAnyDevice, (cycle % 3 == 0) ? 0x00C : 0x100 | (cycle & 0xFF));
    Start();
    ASSERT_TRUE(plugin::Running()) << "cycle " << cycle;
    if (cycle % 10 == 0) core.PumpFor(2);
    Stop();
    ASSERT_EQ(card->LiveReferences(), 0) << "cycle " << cycle;
  }
#if !defined(_WIN32)
  EXPECT_EQ(plat::com_init_balance(), balance);
#endif
  EXPECT_FALSE(core.received().empty());
}

// What a core does when it reloads the plug-in in reaction to a key: Close,
// Stop, or Stop and Start inside its handler of the first press, then Open and
// Start once the handler has returned. Meanwhile another key goes down. The
// thread that the inner Stop had to give up wakes from its delivery while the
// core's thread opens and starts again; it must end there and never name the
// new key with the lists that Close freed (AddressSanitizer), race the new run
// (ThreadSanitizer) or send anything.
// Set by the handler that gave a run up: that run is held right after its
// delivery returns, so the core's thread opens and starts meanwhile.
std::atomic<bool> g_hold_given_up{false};

TEST_F(StopReentryTest, ReloadsFromInsideTheHandlerNeverLetTheGivenUpThreadRunOn) {
  events::SetKeyEventAfterDeliveryHookForTesting([] {
    if (g_hold_given_up.exchange(false)) plat::sleep_ms(2);
  });
  dir.write("SAA713x.ini", "[Main]\nInterval=1\n");
  dir.write("AverTV.cfg",
            "[Setup]\nName=Test\nPressMask=100\nPressFlag=1\nKeyMask=FF\n"
            "[Keys]\n0000000C=Power\n0000000D=Mute\n");
  Close();
  OpenAccepted();
  enum Reload { kClose, kStop, kStopStart, kReloads };
  Watchdog guard("1000 reloads from inside the core's handler", 120000);
  for (int round = 0; round < 1000; ++round) {
    const Reload reload = static_cast<Reload>(round % kReloads);
    SCOPED_TRACE(round);
    bool reloaded = false;
    card->SetPins(sim::kAnyDevice, 0x10C);
    core.on_notify = [&](const Notification&) {
      if (reloaded) return;
      reloaded = true;
      if (reload == kClose) Close();
      if (reload != kClose) Stop();
      card->SetPins(sim::kAnyDevice, 0x10D);
      // Every other round the given-up run is held; otherwise it races freely.
      g_hold_given_up.store(round % 2 == 0);
      if (reload == kStopStart) Start();
    };
    const size_t before = core.received().size();
    Start();
    ASSERT_TRUE(core.PumpUntil([&] { return reloaded; }));
    core.on_notify = nullptr;
    if (reload == kClose) OpenAccepted();
    Start();
    // Only the new run speaks after the reload, and it begins with a press of
    // Mute: no report of Power that the old run left in the slot.
    const auto mute_pressed = [&] {
      const auto& n = core.received();
      return n.size() > before + 1 && n.back().repeat == 0 && n.back().key_name == "Mute";
    };
    ASSERT_TRUE(core.PumpUntil(mute_pressed));
    EXPECT_EQ(core.received()[before + 1].repeat, 0);
    EXPECT_EQ(core.received()[before + 1].key_name, "Mute");
    Stop();
    ASSERT_EQ(card->LiveReferences(), 0);
  }
  events::SetKeyEventAfterDeliveryHookForTesting(nullptr);
  EXPECT_TRUE(core.PumpUntil([] { return events::KeyEventThreadsRunningForTesting() == 0; }));
}

// Stop while a key is held: the key event thread ends before the polling
// thread, which may publish one more report that nobody takes. The hook puts
// the first half of Stop exactly before the key thread's wait, so that report
// is certain; the next run, on idle pins, must not press the key for it.
std::atomic<bool> g_stop_before_wait{false};
std::atomic<int> g_waits{0};
std::atomic<bool> g_held{false};
std::atomic<bool> g_released{false};

TEST_F(StopReentryTest, AReportLeftUntakenAtStopNeverReachesTheNextRun) {
  // The hook holds the key thread before its wait until Stop has asked it to
  // end: a message sent from another thread is dispatched only in Stop's
  // pumping wait, which comes after the request.
  events::SetKeyEventBeforeResetHookForTesting([] {
    if (g_stop_before_wait.exchange(false)) {
      g_held.store(true);
      while (!g_released.load()) plat::sleep_ms(1);
      while (!plugin::PressSlot.HasNew()) plat::sleep_ms(1);
    }
    g_waits.fetch_add(1);
  });
  const plat::WindowHandle release = plat::create_message_window(
      [](void*, plat::WindowHandle, uint32_t, uintptr_t, intptr_t) -> intptr_t {
        g_released.store(true);
        return 0;
      },
      nullptr);
  Start();
  ASSERT_TRUE(core.PumpUntil([&] { return !core.received().empty(); }));
  g_stop_before_wait.store(true);
  ASSERT_TRUE(core.PumpUntil([] { return g_held.load(); }));
  std::thread releaser([release] { plat::send_message(release, 0x8001, 0, 0); });
  Stop();
  releaser.join();
  plat::destroy_window(release);
  EXPECT_TRUE(g_released.load());
  ASSERT_TRUE(plugin::PressSlot.HasNew()) << "the polling thread's last report was taken";

  card->SetPins(sim::kAnyDevice, 0);
  const int waits = g_waits.load();
  Start();
  // The new run's first pass is over when it first comes to wait.
  ASSERT_TRUE(core.PumpUntil([&] { return g_waits.load() > waits; }));
  Stop();
  events::SetKeyEventBeforeResetHookForTesting(nullptr);
  ASSERT_EQ(core.received().size(), 1u) << "a press from the run before: " << core.received().back().key_name;
  EXPECT_EQ(core.received()[0].repeat, 0);
}

}  // namespace

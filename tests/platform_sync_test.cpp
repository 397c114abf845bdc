// Events, threads, waits and the test hooks of the platform layer. Real-time
// waits here only guard against hangs; nothing asserts how fast they are.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <vector>

#include "platform/sync.h"
#include "platform/tick_count64.h"

namespace {

constexpr uint32_t kGuardMs = 10000;

struct Gate {
  plat::Handle go = plat::create_event();
  plat::Handle done = plat::create_event();
  std::atomic<int> ran{0};
  std::atomic<uint32_t> thread_id{0};
  ~Gate() {
    plat::close_handle(go);
    plat::close_handle(done);
  }
};

// Waits for the go event, then reports.
unsigned gated(void* arg) {
  auto* gate = static_cast<Gate*>(arg);
  gate->thread_id.store(plat::current_thread_id());
  if (plat::wait(gate->go, kGuardMs) == plat::WaitResult::Signaled) gate->ran.fetch_add(1);
  plat::set_event(gate->done);
  return 0;
}

struct Waiter {
  plat::Handle event;
  std::atomic<int>* woke;
};

unsigned wait_once(void* arg) {
  auto* w = static_cast<Waiter*>(arg);
  if (plat::wait(w->event, kGuardMs) == plat::WaitResult::Signaled) w->woke->fetch_add(1);
  return 0;
}

TEST(PlatformEvent, ManualResetReleasesEveryWaiterAndStaysSetUntilReset) {
  plat::Handle event = plat::create_event();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(plat::wait(event, 0), plat::WaitResult::Timeout);

  std::atomic<int> woke{0};
  Waiter waiter{event, &woke};
  plat::Handle threads[3];
  for (auto& t : threads) {
    t = plat::create_thread(wait_once, &waiter);
    ASSERT_NE(t, nullptr);
  }
  EXPECT_TRUE(plat::set_event(event));
  for (auto t : threads) {
    EXPECT_EQ(plat::wait(t, kGuardMs), plat::WaitResult::Signaled);
    plat::close_handle(t);
  }
  EXPECT_EQ(woke.load(), 3);
  // Still set: a late waiter passes at once, as often as it asks.
  EXPECT_EQ(plat::wait(event, 0), plat::WaitResult::Signaled);
  EXPECT_EQ(plat::wait(event, plat::kInfinite), plat::WaitResult::Signaled);

  EXPECT_TRUE(plat::reset_event(event));
  EXPECT_EQ(plat::wait(event, 0), plat::WaitResult::Timeout);
  EXPECT_TRUE(plat::reset_event(event));  // resetting a reset event is fine
  EXPECT_EQ(plat::wait(event, 0), plat::WaitResult::Timeout);
  plat::close_handle(event);
}

TEST(PlatformEvent, TimedWaitEndsAfterItsTimeAndNullIsAnError) {
  plat::Handle event = plat::create_event();
  uint32_t before = plat::tick_count();
  EXPECT_EQ(plat::wait(event, 30), plat::WaitResult::Timeout);
  EXPECT_GE(plat::tick_count() - before, 29u);  // a lower bound only
  plat::close_handle(event);

  EXPECT_EQ(plat::wait(nullptr, 0), plat::WaitResult::Failed);
  EXPECT_FALSE(plat::set_event(nullptr));
  EXPECT_FALSE(plat::reset_event(nullptr));
  plat::close_handle(nullptr);
}

// Where the system has only the 32-bit count (Windows XP), the 64-bit one
// that the runtime's waits measure with is carried on over its wraps.
TEST(PlatformTickCount64, CarriesTheCountOverWrapsAndNeverBack) {
  constexpr uint64_t kWrap = 1ull << 32;
  struct Step {
    uint32_t reading;
    uint64_t answer;
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"steady", {{5, 5}, {900, 900}, {0x7FFFFFFF, 0x7FFFFFFF}}},
      {"a first reading late in the count", {{0xF0000000u, 0xF0000000u}, {0xF0000010u, 0xF0000010u}}},
      {"one wrap", {{0xFFFFFF00u, 0xFFFFFF00u}, {0x10, kWrap + 0x10}, {0x20, kWrap + 0x20}}},
      {"two wraps",
       {{0xC0000000u, 0xC0000000u},
        {0x30000000u, kWrap + 0x30000000u},
        {0xA0000000u, kWrap + 0xA0000000u},
        {0x10000000u, 2 * kWrap + 0x10000000u}}},
      {"an older reading after a wrap",
       {{0xFFFFFFF0u, 0xFFFFFFF0u}, {0x10, kWrap + 0x10}, {0xFFFFFFF8u, 0xFFFFFFF8u}, {0x18, kWrap + 0x18}}},
      {"the same reading again", {{77, 77}, {77, 77}, {78, 78}}},
  };
  for (const auto& c : cases) {
    std::atomic<uint64_t> last{0};
    for (const Step& step : c.steps) {
      EXPECT_EQ(plat::extend_tick_count(last, step.reading), step.answer)
          << c.name << ", reading " << step.reading;
    }
  }
}

TEST(PlatformThread, HandleIsSignalledOnlyOnceTheProcedureReturned) {
  Gate gate;
  plat::Handle thread = plat::create_thread(gated, &gate);
  ASSERT_NE(thread, nullptr);
  // The thread is parked on the go event: its handle cannot be signalled yet.
  EXPECT_EQ(plat::wait(thread, 20), plat::WaitResult::Timeout);
  EXPECT_EQ(gate.ran.load(), 0);
  plat::set_event(gate.go);
  EXPECT_EQ(plat::wait(thread, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(gate.ran.load(), 1);
  EXPECT_EQ(plat::wait(gate.done, 0), plat::WaitResult::Signaled);
  // An ended thread stays signalled.
  EXPECT_EQ(plat::wait(thread, 0), plat::WaitResult::Signaled);
  plat::close_handle(thread);
}

TEST(PlatformThread, ClosingARunningThreadsHandleLetsItRunToTheEnd) {
  Gate gate;
  plat::Handle thread = plat::create_thread(gated, &gate);
  ASSERT_NE(thread, nullptr);
  plat::close_handle(thread);
  plat::set_event(gate.go);
  ASSERT_EQ(plat::wait(gate.done, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(gate.ran.load(), 1);
  // Give the thread the moment it needs to drop its own reference, so that a
  // double release would show up under the sanitizers within this test.
  plat::sleep_ms(20);
}

TEST(PlatformThread, IdsAreNonZeroStableAndDistinctPerThread) {
  uint32_t mine = plat::current_thread_id();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(plat::current_thread_id(), mine);

  Gate gates[3];
  plat::Handle threads[3];
  for (int i = 0; i < 3; ++i) threads[i] = plat::create_thread(gated, &gates[i]);
  std::set<uint32_t> ids{mine};
  for (int i = 0; i < 3; ++i) {
    plat::set_event(gates[i].go);
    ASSERT_EQ(plat::wait(threads[i], kGuardMs), plat::WaitResult::Signaled);
    plat::close_handle(threads[i]);
    EXPECT_NE(gates[i].thread_id.load(), 0u);
    ids.insert(gates[i].thread_id.load());
  }
  EXPECT_EQ(ids.size(), 4u);
}

TEST(PlatformInjection, TheNextCreationsFailThenTheyWorkAgain) {
  plat::inject_event_create_failures(2);
  EXPECT_EQ(plat::create_event(), nullptr);
  EXPECT_EQ(plat::create_event(), nullptr);
  plat::Handle event = plat::create_event();
  EXPECT_NE(event, nullptr);
  plat::close_handle(event);

  Gate gate;
  plat::inject_thread_create_failures(1);
  EXPECT_EQ(plat::create_thread(gated, &gate), nullptr);
  plat::set_event(gate.go);
  // The failed creation ran nothing.
  EXPECT_EQ(plat::wait(gate.done, 30), plat::WaitResult::Timeout);
  plat::Handle thread = plat::create_thread(gated, &gate);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(plat::wait(thread, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(gate.ran.load(), 1);
  plat::close_handle(thread);

  // Thread failures do not eat event creations and the other way round.
  plat::inject_thread_create_failures(1);
  event = plat::create_event();
  EXPECT_NE(event, nullptr);
  plat::close_handle(event);
  EXPECT_EQ(plat::create_thread(gated, &gate), nullptr);

  // Skipped creations go through first; a new plan replaces the old one.
  plat::inject_event_create_failures(1, 2);
  plat::Handle ok[2] = {plat::create_event(), plat::create_event()};
  EXPECT_NE(ok[0], nullptr);
  EXPECT_NE(ok[1], nullptr);
  EXPECT_EQ(plat::create_event(), nullptr);
  plat::inject_event_create_failures(5);
  plat::inject_event_create_failures(0);
  event = plat::create_event();
  EXPECT_NE(event, nullptr);
  for (plat::Handle h : {ok[0], ok[1], event}) plat::close_handle(h);
}

TEST(PlatformClock, TickCountAdvancesWithSleep) {
  // GetTickCount moves in steps of up to 16 ms, and under Wine only when its
  // server gets the processor: sleep until it has moved, within the guard.
  const uint32_t before = plat::tick_count();
  uint32_t elapsed = 0;
  for (uint32_t slept = 0; elapsed < 9 && slept < kGuardMs; slept += 25) {
    plat::sleep_ms(25);
    elapsed = plat::tick_count() - before;
  }
  EXPECT_GE(elapsed, 9u);
  EXPECT_LT(elapsed, kGuardMs + 1000);
}

}  // namespace

// The key event thread with real threads: a test core window on the test
// thread receives the notifications while the test pumps. Waits are bounded
// by generous guards so that a lost wake-up or a deadlock fails instead of
// hanging; no timing is asserted.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config/definition.h"
#include "config/key_index.h"
#include "config/settings.h"
#include "device/press_slot.h"
#include "events/key_event_thread.h"
#include "events/key_event_thread_testing.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/key_output.h"
#include "plugin/state.h"
#include "tests/support/test_core.h"
#include "tests/support/watchdog.h"

using namespace device;
using namespace events;
using namespace plugin;

namespace {

constexpr uint32_t kGuardMs = 10000;
// A release time-out no stall of a loaded test machine reaches.
constexpr int32_t kPatientWaitR = 60000;

using RecordBytes = std::array<uint8_t, sizeof(KeyEventRecordT)>;

// Deliveries that have returned to the thread, counted by its after-delivery
// hook: inside the core's handler of delivery n, n - 1 have.
std::atomic<int> g_returned{0};
void CountReturn() { g_returned.fetch_add(1); }

RecordBytes Snapshot() {
  RecordBytes bytes;
  std::memcpy(bytes.data(), &KeyEventRecord, bytes.size());
  return bytes;
}

// The stand-in dialog: a window on the test thread that collects the
// monitoring messages posted to it.
struct TestForm : setup::SetupFormBase {
  struct Post {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
  };
  TestForm() { Handle.store(plat::create_message_window(&TestForm::Proc, this)); }
  ~TestForm() override { plat::destroy_window(Handle.load()); }
  static intptr_t Proc(void* context, plat::WindowHandle, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    static_cast<TestForm*>(context)->posts.push_back({msg, wparam, lparam});
    return 0;
  }
  std::vector<Post> posts;
};

class KeyEventThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPluginStateForTesting();
    CoreWindow.store(core.window());
    std::memset(&KeyEventRecord, 0, sizeof KeyEventRecord);
    std::strcpy(KeyEventRecord.InstanceName, "TEST");
    ASSERT_NE(plugin::PressSlot.OpenKeyEvent(), nullptr);
    g_returned.store(0);
    SetKeyEventAfterDeliveryHookForTesting(&CountReturn);

    // Every notification: the record as the core sees it while handling it.
    core.on_notify = [this](const Notification& n) {
      records.push_back(Snapshot());
      if (on_notify) on_notify(n);
    };
  }

  void TearDown() override {
    if (KeyEventThreadRunning()) StopThread();
    EXPECT_TRUE(AllRunsEnded());
    SetKeyEventBeforeResetHookForTesting(nullptr);
    SetKeyEventAfterDeliveryHookForTesting(nullptr);
    plugin::PressSlot.CloseKeyEvent();
    ResetPluginStateForTesting();
  }

  void StartThread() {
    ASSERT_TRUE(StartKeyEventThread({&KeyOutput(),
                                     &KeyEventRecord,
                                     keys,
                                     &plugin::PressSlot,
                                     plugin::PressSlot.KeyEvent(),
                                     {&config::Wait1, &config::WaitN, &config::WaitR}}));
  }

  void StopThread() {
    Watchdog guard("the key event thread's end", kGuardMs);
    StopKeyEventThread();
  }

  // Every run's thread has ended: a given-up one ends on its own once its
  // delivery has returned.
  bool AllRunsEnded() {
    return core.PumpUntil([] { return KeyEventThreadsRunningForTesting() == 0; }, kGuardMs);
  }

  static void Report(bool pressed, uint32_t code) { plugin::PressSlot.Report(pressed, code); }
  // A report that does not signal KeyEvent.
  static void Publish(bool pressed, uint32_t code) {
    const plat::Handle event = plugin::PressSlot.KeyEvent();
    const bool was_set = plat::wait(event, 0) == plat::WaitResult::Signaled;
    plugin::PressSlot.Report(pressed, code);
    if (!was_set) plat::reset_event(event);
  }

  size_t Count() const { return core.received().size(); }

  // The fields the core may rely on in every notification.
  void ExpectRecordFields(const RecordBytes& bytes, const Notification& n) {
    KeyEventRecordT r;
    std::memcpy(&r, bytes.data(), sizeof r);
    EXPECT_STREQ(r.InstanceName, "TEST");
    EXPECT_EQ(std::memcmp(r.ExtTag, "EXT", 4), 0);
    EXPECT_EQ(r.ExtValue, 2);
    EXPECT_EQ(r.Reserved1, 0);
    EXPECT_EQ(r.Reserved2, 0);
    for (uint8_t b : r.ReservedA) EXPECT_EQ(b, 0);
    for (uint8_t b : r.ReservedB) EXPECT_EQ(b, 0);
    EXPECT_EQ(r.KeyName[123], '\0');
    EXPECT_EQ(std::string(r.KeyName), n.key_name);
    // The texts were read through the record's addresses while the core
    // handled the notification (the buffers are gone once the thread is).
    EXPECT_NE(r.CodeText, 0u);
    EXPECT_NE(r.RemoteName, 0u);
    EXPECT_EQ(n.code_text.size(), 8u);
  }

  const std::shared_ptr<const config::KeyIndex> keys = std::make_shared<const config::KeyIndex>(
      std::vector<config::DefinitionKey>{
          {1, "00000001", "Power"}, {2, "00000002", "Mute"}, {3, "1234ABCD", "Long code"}},
      "Test remote");
  TestCore core;
  std::vector<RecordBytes> records;
  std::function<void(const Notification&)> on_notify;
};

TEST_F(KeyEventThreadTest, PressRepeatsAndReleaseReachTheCoreWithTheRecordFilled) {
  config::WaitR.store(kPatientWaitR);
  StartThread();
  // Keep reporting the key while pumping, as the polling thread would.
  ASSERT_TRUE(core.PumpUntil(
      [&] {
        Report(true, 1);
        return Count() >= 3;
      },
      kGuardMs));
  Report(false, 1);
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 4; }, kGuardMs));
  StopThread();

  EXPECT_EQ(core.repeats(), (std::vector<int32_t>{0, 1, 2, -1}));
  ASSERT_EQ(records.size(), core.received().size());
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(i);
    const Notification& n = core.received()[i];
    ExpectRecordFields(records[i], n);
    EXPECT_EQ(n.key_name, "Power");
    EXPECT_EQ(n.code_text, "00000001");
    EXPECT_EQ(n.remote_name, "Test remote");
  }
}

TEST_F(KeyEventThreadTest, ReleaseTimeoutEndsAKeyWhoseReportsStopAndAChangeOfKeyReleasesFirst) {
  // The next key comes while the first one's press is being handled.
  on_notify = [&](const Notification&) {
    if (Count() == 1) Publish(true, 0x1234ABCD);
  };
  StartThread();
  Report(true, 1);
  // No further report: the thread's own time-out makes the release.
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 4; }, kGuardMs));
  StopThread();

  const std::vector<Notification>& n = core.received();
  ASSERT_EQ(core.repeats(), (std::vector<int32_t>{0, -1, 0, -1}));
  EXPECT_EQ(n[1].key_name, "Power");
  EXPECT_EQ(n[1].code_text, "1234ABCD");
  EXPECT_EQ(n[2].key_name, "Long code");
  EXPECT_EQ(n[3].key_name, "Long code");
  EXPECT_EQ(n[3].code_text, "1234ABCD");
  for (size_t i = 0; i < records.size(); ++i) ExpectRecordFields(records[i], n[i]);
  EXPECT_FALSE(plugin::PressSlot.HasNew());
}

TEST_F(KeyEventThreadTest, AReportLeftBeforeTheStartIsTakenWithoutASignal) {
  Publish(true, 2);  // KeyEvent is not signalled
  StartThread();
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 1; }, kGuardMs));
  EXPECT_EQ(core.received()[0].repeat, 0);
  EXPECT_EQ(core.received()[0].key_name, "Mute");
}

TEST_F(KeyEventThreadTest, StopWhileAKeyIsHeldSendsNoRelease) {
  config::WaitR.store(kPatientWaitR);
  StartThread();
  Report(true, 1);
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 1; }, kGuardMs));
  StopThread();
  Report(false, 1);
  core.PumpFor(50);
  EXPECT_EQ(core.repeats(), (std::vector<int32_t>{0}));
  EXPECT_TRUE(plugin::PressSlot.HasNew());  // nobody took the release
}

// The gap between the last look at the stop flag and the slot and the reset
// of KeyEvent: a hook there signals, and the reset wipes the signal out.
std::atomic<int> g_hook_runs{0};

TEST_F(KeyEventThreadTest, AStopRequestJustBeforeTheResetIsNotLost) {
  g_hook_runs.store(0);
  SetKeyEventBeforeResetHookForTesting([] {
    if (g_hook_runs.fetch_add(1) != 0) return;
    RequestKeyEventThreadStopForTesting();
  });
  StartThread();  // idle: without a second look it would wait with no limit
  EXPECT_TRUE(AllRunsEnded()) << "stop request lost";
  EXPECT_EQ(g_hook_runs.load(), 1);
  StopThread();
  EXPECT_TRUE(core.received().empty());
}

TEST_F(KeyEventThreadTest, AReportJustBeforeTheResetIsNotLost) {
  g_hook_runs.store(0);
  SetKeyEventBeforeResetHookForTesting([] {
    if (g_hook_runs.fetch_add(1) != 0) return;
    Report(true, 2);
  });
  StartThread();
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 1; }, kGuardMs)) << "report lost";
  EXPECT_EQ(core.received()[0].key_name, "Mute");
}

TEST_F(KeyEventThreadTest, StopDuringADeliveryEndsTheThreadTouchingNothingAfterIt) {
  bool in_flight_inside = false;
  RecordBytes at_stop{};
  on_notify = [&](const Notification&) {
    if (Count() == 1) Publish(true, 2);  // another key: -1, then 0
    if (Count() != 2) return;
    in_flight_inside = KeyNotifyInFlightForTesting();
    // Stop inside the core's handler of the -1 gives the run up, and a report
    // arrives meanwhile: the run must not name the new key, send its press,
    // take the report or reset KeyEvent.
    StopKeyEventThread();
    Publish(true, 1);
    at_stop = Snapshot();
  };
  StartThread();
  Report(true, 1);
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 2; }, kGuardMs));
  ASSERT_TRUE(AllRunsEnded());

  EXPECT_TRUE(in_flight_inside);
  EXPECT_FALSE(KeyNotifyInFlightForTesting());
  EXPECT_EQ(g_returned.load(), 2);  // the given-up delivery returned, and no other came
  EXPECT_EQ(core.repeats(), (std::vector<int32_t>{0, -1}));
  EXPECT_STREQ(KeyEventRecord.KeyName, "Power");
  EXPECT_TRUE(plugin::PressSlot.HasNew());
  // Stop's request signalled KeyEvent; the given-up run did not reset it.
  EXPECT_EQ(plat::wait(plugin::PressSlot.KeyEvent(), 0), plat::WaitResult::Signaled);
  EXPECT_EQ(Snapshot(), at_stop);
}

TEST_F(KeyEventThreadTest, ARunGivenUpForANewStartEndsAfterItsDelivery) {
  bool in_flight_before = false;
  bool in_flight_after = true;
  bool old_run_still_delivering = false;
  on_notify = [&](const Notification&) {
    if (Count() == 1) Publish(true, 2);
    if (Count() != 2) return;
    // Stop then Start inside the handler of the -1: the new run has a stop
    // flag of its own, the old one's stays set.
    in_flight_before = KeyNotifyInFlightForTesting();
    StopKeyEventThread();
    StartThread();
    in_flight_after = KeyNotifyInFlightForTesting();
    // The delivery is the given-up run's, not the new current one's.
    old_run_still_delivering = KeyEventThreadsRunningForTesting() == 2 && g_returned.load() == 1;
    Report(true, 2);  // the old run took Mute's report with it
  };
  StartThread();
  Report(true, 1);
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 2; }, kGuardMs));
  // The new run takes the new report of Mute; the old one named nothing.
  ASSERT_TRUE(core.PumpUntil([&] { return Count() >= 3; }, kGuardMs));
  StopThread();
  ASSERT_TRUE(AllRunsEnded());

  EXPECT_TRUE(in_flight_before);
  EXPECT_FALSE(in_flight_after);  // the delivery is not the current run's
  EXPECT_TRUE(old_run_still_delivering);
  EXPECT_EQ(core.repeats(), (std::vector<int32_t>{0, -1, 0}));
  EXPECT_EQ(core.received()[1].key_name, "Power");
  EXPECT_EQ(core.received()[2].key_name, "Mute");
}

TEST_F(KeyEventThreadTest, InSetupModeTheDialogGetsOnePressAndOneReleaseAndTheCoreNothing) {
  TestForm form;
  _SetupForm.store(&form);  // setup mode while the form exists
  ASSERT_TRUE(SetupMode());
  config::WaitR.store(kPatientWaitR);
  StartThread();
  // Held long enough for repeats, which are never posted.
  const uint32_t start = plat::tick_count();
  ASSERT_TRUE(core.PumpUntil(
      [&] {
        Report(true, 0x1234ABCD);
        return plat::tick_count() - start >= 450 && !form.posts.empty();
      },
      kGuardMs));
  Report(false, 0x1234ABCD);
  ASSERT_TRUE(core.PumpUntil([&] { return form.posts.size() >= 2; }, kGuardMs));
  StopThread();
  core.PumpFor(20);

  ASSERT_EQ(form.posts.size(), 2u);
  EXPECT_EQ(form.posts[0].msg, kMonitorPress);
  EXPECT_EQ(form.posts[0].wparam, 0u);
  EXPECT_EQ(static_cast<uint32_t>(form.posts[0].lparam), 0x1234ABCDu);
  EXPECT_EQ(form.posts[1].msg, kMonitorRelease);
  EXPECT_EQ(form.posts[1].wparam, 0u);
  EXPECT_EQ(form.posts[1].lparam, 0);
  EXPECT_TRUE(core.received().empty());
  EXPECT_STREQ(KeyEventRecord.KeyName, "Long code");  // named all the same
}

}  // namespace

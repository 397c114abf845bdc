// The key event engine in virtual time, driven as the key event thread
// drives it: a pass for each report, a time-out whenever the wait limit the
// engine asked for passes first. The engine's notifications, monitor posts
// and texts are recorded with the virtual time at which they happened.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/definition.h"
#include "config/key_index.h"
#include "events/key_engine.h"
#include "platform/types.h"

using namespace events;

namespace {

struct Event {
  enum Kind { kNotify, kMonitorPress, kMonitorRelease } kind;
  int32_t repeat = 0;
  uint64_t time = 0;
  uint64_t code = 0;
  std::string key_name;
  std::string code_text;
  std::string remote_name;
};

using Notes = std::vector<std::pair<int32_t, uint64_t>>;  // repeat count, time

class Rig : public KeyEngineOutput {
 public:
  explicit Rig(KeyTimings timings = {}, uint32_t tick_base = 5000) : timings(timings), base_(tick_base) {
    keys = {{1, "00000001", "Power"},      {2, "00000002", "Mute"},
            {3, "00000003", "Volume up"},  {4, "00000013", "Volume up"},  // a second code of the same key
            {5, "0000000a", "Lower case"}, {6, "B", "No leading zeros"}};
    std::memset(key_name, 'k', sizeof key_name);
    std::memset(code_text, 'c', sizeof code_text);
    std::memset(remote_name, 'r', sizeof remote_name);
  }

  // The thread starts: its first pass takes a report that is already waiting.
  void Start() {
    index = config::KeyIndex(keys, remote);
    engine.emplace(timings, use_index ? &index : nullptr, KeyTexts{key_name, code_text, remote_name}, *this);
    Wake();
  }

  // A report from the polling thread at virtual time t (ms since the start).
  void Sample(uint64_t t, bool pressed, uint32_t code) {
    AdvanceTo(t);
    Publish(pressed, code);
    Wake();
  }

  // Reports every `interval` ms in [from, to), then a reported release at
  // `to` when release_reported.
  void Hold(uint32_t code, uint64_t from, uint64_t to, uint64_t interval, bool release_reported) {
    for (uint64_t t = from; t < to; t += interval) Sample(t, true, code);
    if (release_reported) Sample(to, false, code);
  }

  // Lets time pass with no report: each wait that ends by its limit is a
  // time-out for the engine.
  void AdvanceTo(uint64_t t) {
    for (;;) {
      const uint32_t limit = engine->NextWait();
      if (limit == plat::kInfinite || wait_start_ + limit >= t) break;
      now_ = wait_start_ + limit;
      last_pass_result = engine->TimedOut(Tick(), timings);
      wait_start_ = now_;
    }
    now_ = t;
  }

  bool Notify(int32_t repeat_count) override {
    Record(Event::kNotify, repeat_count, 0);
    return notify_result;
  }
  void Monitor(bool pressed, uint64_t code) override {
    Record(pressed ? Event::kMonitorPress : Event::kMonitorRelease, 0, code);
  }

  Notes NotesSeen() const {
    Notes out;
    for (const Event& e : events)
      if (e.kind == Event::kNotify) out.emplace_back(e.repeat, e.time);
    return out;
  }
  std::vector<Event> Notifications() const {
    std::vector<Event> out;
    for (const Event& e : events)
      if (e.kind == Event::kNotify) out.push_back(e);
    return out;
  }
  std::vector<Event> Monitors() const {
    std::vector<Event> out;
    for (const Event& e : events)
      if (e.kind != Event::kNotify) out.push_back(e);
    return out;
  }

  uint32_t Tick() const { return static_cast<uint32_t>(base_ + now_); }

  KeyTimings timings;
  std::vector<config::DefinitionKey> keys;
  std::string remote = "Test remote";
  bool use_index = true;
  config::KeyIndex index;
  char key_name[kKeyNameSize];
  char code_text[20];
  char remote_name[kRemoteNameSize];
  std::optional<KeyEngine> engine;
  std::vector<Event> events;
  bool notify_result = true;
  bool last_pass_result = true;

  void Publish(bool pressed, uint32_t code) {
    if (pressed) slot_.Code = code;  // a release keeps the code of the last press
    slot_.Pressed = pressed;
    slot_new_ = true;
  }

 private:
  // A wake-up: the pass takes the waiting report.
  void Wake() {
    const bool taken = std::exchange(slot_new_, false);
    last_pass_result = engine->Pass(taken ? &slot_ : nullptr, Tick(), timings);
    wait_start_ = now_;
  }

  void Record(Event::Kind kind, int32_t repeat, uint64_t code) {
    Event e{kind,
            repeat,
            now_,
            code,
            std::string(key_name, strnlen(key_name, sizeof key_name)),
            std::string(code_text, strnlen(code_text, sizeof code_text)),
            std::string(remote_name, strnlen(remote_name, sizeof remote_name))};
    events.push_back(std::move(e));
  }

  uint32_t base_;
  uint64_t now_ = 0;
  uint64_t wait_start_ = 0;
  device::PressReport slot_;
  bool slot_new_ = false;
};

KeyTimings Timings(int32_t wait1, int32_t wait_n, int32_t wait_r) { return {wait1, wait_n, wait_r}; }

// ---------------------------------------------------------------- naming

// A missing index names nothing; a definition without a name gives the
// name it was read with, here an empty one.
TEST(KeyEngine, WithoutAnIndexEveryCodeIsUndefinedAndAnEmptyRemoteNameStaysEmpty) {
  Rig none;
  none.use_index = false;
  none.Start();
  none.Sample(0, true, 1);
  ASSERT_EQ(none.Notifications().size(), 1u);
  EXPECT_EQ(none.Notifications()[0].key_name, "00000001");
  EXPECT_EQ(none.Notifications()[0].remote_name, "<undefined>");

  Rig unnamed;
  unnamed.remote.clear();
  unnamed.keys.push_back({0, "0000000B", ""});
  unnamed.keys.push_back({0, "0000000C", "x=y"});
  unnamed.Start();
  unnamed.Sample(0, true, 1);
  unnamed.Sample(50, true, 0xB);
  unnamed.Sample(100, true, 0xC);
  const std::vector<Event> n = unnamed.Notifications();
  ASSERT_EQ(n.size(), 5u);
  EXPECT_EQ(n[0].key_name, "Power");
  EXPECT_EQ(n[0].remote_name, "");
  EXPECT_EQ(n[2].key_name, "");  // an empty name is a name
  EXPECT_EQ(n[2].remote_name, "");
  EXPECT_EQ(n[4].key_name, "x=y");
}

// ---------------------------------------------------------------- timing

TEST(KeyEngine, HeldKeyRepeatsAfterWait1ThenEveryWaitNAndReleasesWhenReported) {
  // Across the tick count's wrap as well as away from it.
  for (uint32_t base : {5000u, 0xFFFFFF00u, 0xFFFFFFFFu, 0xFFFFFC18u}) {
    SCOPED_TRACE(base);
    Rig rig(Timings(300, 100, 200), base);
    rig.Start();
    rig.Hold(1, 0, 1000, 50, true);
    EXPECT_EQ(
        rig.NotesSeen(),
        (Notes{{0, 0}, {1, 300}, {2, 400}, {3, 500}, {4, 600}, {5, 700}, {6, 800}, {7, 900}, {-1, 1000}}));
    // Nothing held: no limit to the wait.
    EXPECT_EQ(rig.engine->NextWait(), plat::kInfinite);
  }
}

TEST(KeyEngine, UnreportedReleaseComesAtTheFirstTimeoutReachingWaitR) {
  for (uint32_t base : {5000u, 0xFFFFFF00u}) {
    SCOPED_TRACE(base);
    Rig rig(Timings(300, 100, 200), base);
    rig.Start();
    rig.Hold(1, 0, 1000, 50, false);  // last report at 950
    rig.AdvanceTo(5000);
    // The repeat due at 1000 comes with the first time-out; -1 with the second.
    EXPECT_EQ(rig.NotesSeen(), (Notes{{0, 0},
                                      {1, 300},
                                      {2, 400},
                                      {3, 500},
                                      {4, 600},
                                      {5, 700},
                                      {6, 800},
                                      {7, 900},
                                      {8, 1050},
                                      {-1, 1150}}));
  }
  Rig slower(Timings(300, 150, 200));
  slower.Start();
  slower.Hold(1, 0, 200, 50, false);  // last report at 150
  slower.AdvanceTo(5000);
  EXPECT_EQ(slower.NotesSeen(), (Notes{{0, 0}, {1, 300}, {-1, 450}}));  // 300 ms after the last report
}

TEST(KeyEngine, ReportsSlowerThanTheReleaseTimeoutGiveAPressAndReleaseEach) {
  Rig rig(Timings(300, 100, 200));
  rig.Start();
  rig.Hold(2, 0, 1000, 300, false);  // reports at 0, 300, 600, 900
  rig.AdvanceTo(5000);
  EXPECT_EQ(rig.NotesSeen(),
            (Notes{{0, 0}, {-1, 200}, {0, 300}, {-1, 500}, {0, 600}, {-1, 800}, {0, 900}, {-1, 1100}}));
}

TEST(KeyEngine, SettingsChangedWhileRunningApplyAtTheirNextUseButTheWaitLimitStays) {
  Rig rig(Timings(300, 100, 200));
  rig.Start();
  rig.Sample(0, true, 1);
  rig.timings = Timings(500, 40, 1000);
  EXPECT_EQ(rig.engine->NextWait(), 100u);
  rig.Hold(1, 50, 800, 50, true);
  // Wait1 was taken at the press, WaitN at the first repeat.
  EXPECT_EQ(rig.NotesSeen(), (Notes{{0, 0},
                                    {1, 300},
                                    {2, 350},
                                    {3, 400},
                                    {4, 450},
                                    {5, 500},
                                    {6, 550},
                                    {7, 600},
                                    {8, 650},
                                    {9, 700},
                                    {10, 750},
                                    {-1, 800}}));
  rig.Sample(1000, true, 2);
  EXPECT_EQ(rig.engine->NextWait(), 100u);
  rig.AdvanceTo(2100);
  // The new Wait1 delays the first repeat; the new WaitR holds the release
  // back although the wait limit stayed at 100 ms.
  const Notes notes = rig.NotesSeen();
  EXPECT_EQ(Notes(notes.end() - 7, notes.end()),
            (Notes{{0, 1000}, {1, 1500}, {2, 1600}, {3, 1700}, {4, 1800}, {5, 1900}, {-1, 2000}}));
}

TEST(KeyEngine, WaitsFromTheFileAreBoundedAtEveryUse) {
  EXPECT_EQ(BoundKeyWait(0), kMinKeyWaitMs);
  EXPECT_EQ(BoundKeyWait(-1), kMaxKeyWaitMs);  // taken unsigned: huge
  EXPECT_EQ(BoundKeyWait(INT32_MIN), kMaxKeyWaitMs);
  EXPECT_EQ(BoundKeyWait(INT32_MAX), kMaxKeyWaitMs);
  EXPECT_EQ(BoundKeyWait(250), 250u);

  // Zero waits: no repeat on every report and no zero wait limit.
  Rig zero(Timings(0, 0, 0));
  zero.Start();
  zero.Hold(1, 0, 45, 1, false);
  EXPECT_EQ(zero.engine->NextWait(), kMinKeyWaitMs);
  zero.Sample(45, false, 1);
  EXPECT_EQ(zero.NotesSeen(), (Notes{{0, 0}, {1, 10}, {2, 20}, {3, 30}, {4, 40}, {-1, 45}}));

  // Negative waits: the release time-out does not grow to 49 days.
  Rig huge(Timings(-1, -5, INT32_MIN));
  huge.Start();
  huge.Sample(0, true, 1);
  EXPECT_EQ(huge.engine->NextWait(), kMaxKeyWaitMs);
  huge.AdvanceTo(200000);
  EXPECT_EQ(huge.NotesSeen(), (Notes{{0, 0}, {-1, 60000}}));
}

// ---------------------------------------------------------------- changes of key

TEST(KeyEngine, AnotherKeyWhileHeldReleasesTheOldOneNamingItWithTheNewCodeText) {
  Rig rig;
  rig.Start();
  rig.Hold(1, 0, 100, 50, false);
  rig.Sample(100, true, 2);
  const std::vector<Event> n = rig.Notifications();
  ASSERT_EQ(n.size(), 3u);
  EXPECT_EQ(n[0].repeat, 0);
  EXPECT_EQ(n[0].key_name, "Power");
  EXPECT_EQ(n[0].code_text, "00000001");
  EXPECT_EQ(n[0].remote_name, "Test remote");
  EXPECT_EQ(n[1].repeat, -1);
  EXPECT_EQ(n[1].key_name, "Power");
  EXPECT_EQ(n[1].code_text, "00000002");
  EXPECT_EQ(n[2].repeat, 0);
  EXPECT_EQ(n[2].key_name, "Mute");
  EXPECT_EQ(n[2].code_text, "00000002");
  EXPECT_EQ(n[2].remote_name, "Test remote");
  EXPECT_EQ(n[2].time, 100u);
}

TEST(KeyEngine, TwoCodesOfOneKeyRestartThePressBeforeTheFirstRepeat) {
  Rig rig;
  rig.Start();
  rig.Hold(3, 0, 200, 50, false);
  rig.Hold(0x13, 200, 900, 50, true);
  // No release at the switch; 0 again and Wait1 counts from 200.
  EXPECT_EQ(rig.NotesSeen(), (Notes{{0, 0}, {0, 200}, {1, 500}, {2, 600}, {3, 700}, {4, 800}, {-1, 900}}));
  EXPECT_EQ(rig.Notifications()[1].code_text, "00000013");
  EXPECT_EQ(rig.Notifications()[1].key_name, "Volume up");
}

TEST(KeyEngine, TwoCodesOfOneKeyContinueTheRepeatsOnceTheyStarted) {
  Rig rig;
  rig.Start();
  rig.Hold(3, 0, 450, 50, false);  // 0 at 0, 1 at 300, 2 at 400
  rig.Hold(0x13, 450, 700, 50, false);
  rig.Hold(3, 700, 800, 50, true);
  EXPECT_EQ(rig.NotesSeen(), (Notes{{0, 0}, {1, 300}, {2, 400}, {3, 500}, {4, 600}, {5, 700}, {-1, 800}}));
  // The switches were seen by the monitor all the same.
  EXPECT_EQ(rig.Monitors().size(), 4u);
}

TEST(KeyEngine, LongNamesAreCutTerminatedAndStillMatchThemselves) {
  Rig rig;
  const std::string long_name(200, 'n');
  rig.keys.push_back({7, "00000020", long_name});
  rig.keys.push_back({8, "00000021", long_name});
  rig.remote = std::string(80, 'r');
  rig.Start();
  rig.Hold(0x20, 0, 100, 50, false);
  EXPECT_EQ(std::string(rig.key_name, 123), long_name.substr(0, 123));
  EXPECT_EQ(rig.key_name[123], '\0');
  EXPECT_EQ(std::string(rig.remote_name, 63), std::string(63, 'r'));
  EXPECT_EQ(rig.remote_name[63], '\0');
  // Another code with the same long names is the same key: no release.
  rig.Hold(0x21, 100, 200, 50, true);
  EXPECT_EQ(rig.NotesSeen(), (Notes{{0, 0}, {0, 100}, {-1, 200}}));
}

TEST(KeyEngine, ShorterNamesLeaveNoTailOfTheLongerOnes) {
  Rig rig;
  rig.Start();
  rig.Sample(0, true, 3);   // "Volume up"
  rig.Sample(50, true, 1);  // "Power"
  EXPECT_EQ(std::string(rig.key_name, 6), std::string("Power\0", 6));
  for (size_t i = 5; i < sizeof rig.key_name; ++i) ASSERT_EQ(rig.key_name[i], '\0') << i;
  for (size_t i = 11; i < sizeof rig.remote_name; ++i) ASSERT_EQ(rig.remote_name[i], '\0') << i;
}

TEST(KeyEngine, UnknownCodesAreNamedByTheirTextAndBehaveLikeKeys) {
  Rig rig;
  rig.Start();
  rig.Hold(0xBEEF, 0, 450, 50, false);
  rig.Sample(450, true, 0xCAFE);  // unknown to unknown: release first
  rig.Sample(500, true, 1);       // unknown to known: release first
  rig.Sample(550, true, 0xBEEF);  // known to unknown: release first
  rig.Sample(600, false, 0xBEEF);
  const std::vector<Event> n = rig.Notifications();
  const std::vector<std::pair<int32_t, std::string>> expected = {
      {0, "0000BEEF"},  {1, "0000BEEF"}, {2, "0000BEEF"}, {-1, "0000BEEF"}, {0, "0000CAFE"},
      {-1, "0000CAFE"}, {0, "Power"},    {-1, "Power"},   {0, "0000BEEF"},  {-1, "0000BEEF"}};
  ASSERT_EQ(n.size(), expected.size());
  for (size_t i = 0; i < n.size(); ++i) {
    EXPECT_EQ(n[i].repeat, expected[i].first) << i;
    EXPECT_EQ(n[i].key_name, expected[i].second) << i;
  }
  EXPECT_EQ(n[0].remote_name, "<undefined>");
  EXPECT_EQ(n[3].code_text, "0000CAFE");
  EXPECT_EQ(n[3].remote_name, "<undefined>");
  EXPECT_EQ(n[6].remote_name, "Test remote");
}

TEST(KeyEngine, TableEntriesMatchInLowerCaseButNotWithoutLeadingZeros) {
  Rig rig;
  rig.Start();
  rig.Sample(0, true, 0xA);
  rig.Sample(50, true, 0xB);
  rig.Sample(100, false, 0xB);
  rig.Sample(150, true, 0xB);
  const std::vector<Event> n = rig.Notifications();
  ASSERT_EQ(n.size(), 5u);
  EXPECT_EQ(n[0].key_name, "Lower case");
  EXPECT_EQ(n[0].code_text, "0000000A");
  EXPECT_EQ(n[2].key_name, "0000000B");
  EXPECT_EQ(n[2].remote_name, "<undefined>");
  // The code text always has eight digits, so "B" names nothing, ever.
  EXPECT_EQ(n[4].key_name, "0000000B");
  EXPECT_EQ(n[4].remote_name, "<undefined>");
}

// ---------------------------------------------------------------- states

TEST(KeyEngine, MonitorSeesEveryChangeButNoRepeatsAndNoRepeatedRelease) {
  Rig rig;
  rig.Start();
  rig.Hold(1, 0, 1000, 50, true);
  rig.Sample(1100, false, 1);  // the same release again: nothing
  rig.Sample(1200, true, 1);   // the same code pressed again: a new press
  rig.Sample(1250, false, 1);
  const std::vector<Event> m = rig.Monitors();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0].kind, Event::kMonitorPress);
  EXPECT_EQ(m[0].code, 1u);
  EXPECT_EQ(m[0].key_name, "Power");  // named before the post
  EXPECT_EQ(m[1].kind, Event::kMonitorRelease);
  EXPECT_EQ(m[1].time, 1000u);
  EXPECT_EQ(m[2].kind, Event::kMonitorPress);
  EXPECT_EQ(m[3].kind, Event::kMonitorRelease);
  EXPECT_EQ(rig.NotesSeen().size(), 11u);
}

TEST(KeyEngine, FirstReportIsAlwaysAChangeAndAReleaseWhileIdleOnlyMonitors) {
  Rig rig;
  rig.Start();
  EXPECT_EQ(rig.engine->NextWait(), plat::kInfinite);
  rig.Sample(0, false, 0);  // differs from the initial all-ones code
  EXPECT_TRUE(rig.NotesSeen().empty());
  ASSERT_EQ(rig.Monitors().size(), 1u);
  EXPECT_EQ(rig.Monitors()[0].kind, Event::kMonitorRelease);
  EXPECT_EQ(rig.engine->NextWait(), plat::kInfinite);
  // A time-out while idle releases nothing.
  EXPECT_TRUE(rig.engine->TimedOut(rig.Tick() + 100000, rig.timings));
  EXPECT_EQ(rig.Monitors().size(), 1u);
}

TEST(KeyEngine, AReportWaitingAtStartIsTakenByTheFirstPass) {
  Rig rig;
  rig.Publish(true, 2);  // left in the slot before the thread started
  rig.Start();
  ASSERT_EQ(rig.NotesSeen(), (Notes{{0, 0}}));
  EXPECT_EQ(rig.Notifications()[0].key_name, "Mute");
  EXPECT_NE(rig.engine->NextWait(), plat::kInfinite);  // held
}

TEST(KeyEngine, AnEndRequestDuringANotificationStopsThePassAtOnce) {
  Rig rig;
  rig.Start();
  rig.Hold(1, 0, 100, 50, false);
  const std::string name_before(rig.key_name);
  rig.notify_result = false;
  rig.Sample(100, true, 2);  // wants -1 for Power, then 0 for Mute
  EXPECT_FALSE(rig.last_pass_result);
  ASSERT_EQ(rig.events.back().kind, Event::kNotify);
  EXPECT_EQ(rig.events.back().repeat, -1);
  EXPECT_EQ(rig.Notifications().size(), 2u);
  EXPECT_EQ(rig.Monitors().size(), 1u);
  EXPECT_EQ(std::string(rig.key_name), name_before);
}

}  // namespace

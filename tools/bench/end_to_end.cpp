// The real plug-in with the simulated card behind the timed wrapper and a
// core window on this thread. Latency runs from the moment the polling thread
// finished reading the sample that first showed the new pins (so the wait for
// the next sample is left out) to the first instruction of the core's handler.
#include "tools/bench/end_to_end.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "config/settings.h"
#include "host/messages.h"
#include "host/plugin_library.h"
#include "host/temp_dir.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/state.h"
#include "sim/sim_control.h"
#include "tools/bench/alloc_count.h"
#include "tools/bench/timed_card.h"

namespace bench {
namespace {

constexpr uint32_t kPressBit = 0x100;  // PressMask 100, PressFlag 1, KeyMask FF
constexpr int kTableSize = 50;
constexpr uint32_t kGuardMs = 5000;

uint32_t TableCode(int entry) { return 0x10u + static_cast<uint32_t>(entry); }

std::string RemoteDefinition() {
  std::string text = "[Setup]\nName=Bench remote\nPressMask=100\nPressFlag=1\nKeyMask=FF\n[Keys]\n";
  for (int i = 0; i < kTableSize; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%08X=Key number %d\n", TableCode(i), i);
    text += line;
  }
  return text;
}

class Session {
 public:
  explicit Session(sim::Control* card) : card_(card) {}

  // One press and release of a key; false when a notification did not come.
  bool PressAndRelease(uint32_t code, Latencies* press, Latencies* release, Latencies* from_pins) {
    const uint32_t pins = kPressBit | code;
    uint64_t before = state_.count;
    const int64_t set_ns = NowNs();
    card_->SetPins(0, pins);
    if (!host::PumpUntil([&] { return state_.count > before; }, kGuardMs) || state_.repeat != 0) return false;
    if (ChangedSample() != pins) return false;
    if (press != nullptr) press->us.push_back((state_.handled_ns - ChangedSampleNs()) / 1e3);
    if (from_pins != nullptr) from_pins->us.push_back((state_.handled_ns - set_ns) / 1e3);

    before = state_.count;
    card_->SetPins(0, 0);
    if (!host::PumpUntil([&] { return state_.count > before; }, kGuardMs) || state_.repeat != -1)
      return false;
    if (release != nullptr) release->us.push_back((state_.handled_ns - ChangedSampleNs()) / 1e3);
    return true;
  }

  // A key held for ms, then released; false when the release did not come.
  bool Hold(uint32_t code, uint32_t ms) {
    card_->SetPins(0, kPressBit | code);
    host::PumpFor(ms);
    const uint64_t before = state_.count;
    card_->SetPins(0, 0);
    return host::PumpUntil([&] { return state_.count > before && state_.repeat == -1; }, kGuardMs);
  }

  uint64_t Notifications() const { return state_.count; }
  CoreState* state() { return &state_; }

 private:
  sim::Control* card_;
  CoreState state_;
};

AllocationCount Collect(uint64_t samples_before, uint64_t notifications) {
  AllocationCount count;
  count.poll = Allocations(Role::Poll);
  count.key_event = Allocations(Role::Other);
  count.core = Allocations(Role::Core);
  count.samples = SamplesRead() - samples_before;
  count.notifications = notifications;
  return count;
}

}  // namespace

EndToEndFigures RunEndToEnd(const EndToEndOptions& options) {
  EndToEndFigures figures;
  MarkThread(Role::Core);
  InstallTimedCard();  // ahead of the card's own registration
  sim::Control* card = sim::control();
  if (card == nullptr) {
    figures.failure = "the simulated card is not reachable";
    return figures;
  }
  card->Reset();
  card->SetPins(sim::kAnyDevice, 0);

  host::TempDir folder;
  folder.write("AverTV.cfg", RemoteDefinition());
  folder.write("SAA713x.ini", "[Main]\nInterval=" + std::to_string(options.interval_ms) + "\n");
  const std::string module = folder.file("SAA713x.dll");
  plat::set_module_path_override(module.c_str());

  Session session(card);
  plat::WindowHandle window = plat::create_message_window(&CoreProc, session.state());
  const host::CoreInfoBlock info(host::kAcceptedCoreVersion);
  Open("bench", window, info.bytes);
  Start();
  if (!plugin::Running()) {
    figures.failure = "Start did not start the plug-in";
  } else {
    const uint32_t keys[2] = {TableCode(17), TableCode(42)};
    bool ok = true;
    for (int i = 0; ok && i < options.warmup_presses; ++i)
      ok = session.PressAndRelease(keys[i & 1], nullptr, nullptr, nullptr);
    ok = ok && session.Hold(keys[0], 500);

    figures.press.us.reserve(static_cast<size_t>(options.presses));
    figures.release.us.reserve(static_cast<size_t>(options.presses));
    figures.press_from_pins.us.reserve(static_cast<size_t>(options.presses));
    TraceAllocations(options.trace_allocations);
    uint64_t samples = SamplesRead();
    uint64_t notifications = session.Notifications();
    StartCounting();
    for (int i = 0; ok && i < options.presses; ++i) {
      ok = session.PressAndRelease(keys[i & 1], &figures.press, &figures.release, &figures.press_from_pins);
    }
    StopCounting();
    figures.presses = Collect(samples, session.Notifications() - notifications);

    samples = SamplesRead();
    notifications = session.Notifications();
    StartCounting();
    ok = ok && session.Hold(keys[1], static_cast<uint32_t>(options.hold_ms));
    StopCounting();
    figures.hold = Collect(samples, session.Notifications() - notifications);
    TraceAllocations(false);
    Stop();
    if (!ok) figures.failure = "a notification did not come within the guard time";

    // Stop while the polling thread sits in its pause, at different points of it.
    config::Interval.store(1000);
    for (int run = 0; ok && run < options.stop_runs; ++run) {
      Start();
      const uint64_t first = SamplesRead();
      host::PumpUntil([first] { return SamplesRead() > first; }, kGuardMs);
      host::PumpFor(static_cast<uint32_t>(50 + run * 850 / std::max(options.stop_runs, 1)));
      const int64_t begin = NowNs();
      Stop();
      figures.stop_ms.push_back((NowNs() - begin) / 1e6);
    }
    std::sort(figures.stop_ms.begin(), figures.stop_ms.end());
    figures.ok = ok;
  }
  Close();
  plat::destroy_window(window);
  plat::set_module_path_override(nullptr);
  figures.press.Sort();
  figures.release.Sort();
  figures.press_from_pins.Sort();
  return figures;
}

IdleFigures RunIdle(int32_t interval_ms, uint32_t ms) {
  IdleFigures figures;
  figures.interval_ms = interval_ms;
  sim::Control* card = sim::control();
  if (card == nullptr) return figures;
  host::TempDir folder;
  card->Reset();
  card->SetPins(sim::kAnyDevice, 0);
  folder.write("AverTV.cfg", RemoteDefinition());
  folder.write("SAA713x.ini", "[Main]\nInterval=" + std::to_string(interval_ms) + "\n");
  const std::string module = folder.file("SAA713x.dll");
  plat::set_module_path_override(module.c_str());
  CoreState state;
  plat::WindowHandle window = plat::create_message_window(&CoreProc, &state);
  const host::CoreInfoBlock info(host::kAcceptedCoreVersion);
  Open("bench", window, info.bytes);
  const std::vector<TaskSample> before = SampleTasks();
  Start();
  if (plugin::Running()) {
    host::PumpFor(300);  // past the start
    const std::vector<TaskSample> from = SampleTasks();
    const int64_t begin = NowNs();
    host::PumpFor(ms);
    const std::vector<TaskSample> to = SampleTasks();
    figures.seconds = static_cast<double>(NowNs() - begin) / 1e9;
    figures.threads = NewThreadCosts(before, from, to, figures.seconds);
    figures.ok = state.count == 0;
    Stop();
  }
  Close();
  plat::destroy_window(window);
  plat::set_module_path_override(nullptr);
  return figures;
}

}  // namespace bench

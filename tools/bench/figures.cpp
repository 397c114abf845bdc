#include "tools/bench/figures.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#if !defined(_WIN32)
#include <dirent.h>
#endif

#include "host/messages.h"
#include "platform/sync.h"
#include "plugin/core_interface.h"

namespace bench {
namespace {

constexpr uint32_t kFloorMessage = 0x0401;
constexpr uint32_t kGuardMs = 5000;

#if defined(_WIN32)
// Under Wine, /proc/self names the wine server: it opens every file and
// folder for the process. The figures come from outside (./dev bench --wine).
std::vector<std::string> TaskNames() { return {}; }
const std::string kTasks;
#else
const std::string kTasks = "/proc/self/task/";

std::vector<std::string> TaskNames() {
  std::vector<std::string> names;
  DIR* folder = opendir(kTasks.c_str());
  if (folder == nullptr) return names;
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  }
  closedir(folder);
  return names;
}
#endif

struct Floor {
  plat::Handle event = nullptr;
  plat::Handle handled = nullptr;  // the handler's word back to the waker
  plat::WindowHandle window = nullptr;
  std::atomic<int64_t> signalled_ns{0};
  std::atomic<int> rounds_done{0};
  std::atomic<bool> stop{false};
  int rounds = 0;
  Latencies latencies;  // this thread's: written by the handler
};

// As the key event thread: wait, reset, send.
unsigned FloorSender(void* arg) {
  auto* floor = static_cast<Floor*>(arg);
  for (;;) {
    plat::wait(floor->event, plat::kInfinite);
    plat::reset_event(floor->event);
    if (floor->stop.load()) return 0;
    plat::send_message(floor->window, kFloorMessage, 0, 0);
  }
}

// As the polling thread: a signal once the core has handled the last one and
// sits in its message wait again.
unsigned FloorWaker(void* arg) {
  auto* floor = static_cast<Floor*>(arg);
  for (int round = 0; round < floor->rounds && !floor->stop.load(); ++round) {
    plat::sleep_ms(1);
    plat::reset_event(floor->handled);
    floor->signalled_ns.store(NowNs());
    plat::set_event(floor->event);
    if (plat::wait(floor->handled, kGuardMs) != plat::WaitResult::Signaled) return 1;
  }
  return 0;
}

intptr_t FloorProc(void* context, plat::WindowHandle, uint32_t msg, uintptr_t, intptr_t) {
  if (msg != kFloorMessage) return 0;
  const int64_t now = NowNs();
  auto* floor = static_cast<Floor*>(context);
  floor->latencies.us.push_back(static_cast<double>(now - floor->signalled_ns.load()) / 1e3);
  floor->rounds_done.fetch_add(1);
  plat::set_event(floor->handled);
  return 0;
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  text = content.str();
  return true;
}

const TaskSample* Find(const std::vector<TaskSample>& tasks, uint64_t tid) {
  for (const TaskSample& task : tasks) {
    if (task.tid == tid) return &task;
  }
  return nullptr;
}

}  // namespace

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

intptr_t CoreProc(void* context, plat::WindowHandle, uint32_t msg, uintptr_t, intptr_t lparam) {
  if (msg != events::kKeyNotify) return 0;
  const int64_t now = NowNs();
  auto* state = static_cast<CoreState*>(context);
  state->handled_ns = now;
  state->repeat = static_cast<int32_t>(lparam);
  ++state->count;
  return 0;
}

void Latencies::Sort() { std::sort(us.begin(), us.end()); }
double Latencies::Median() const { return us.empty() ? 0 : us[us.size() / 2]; }
double Latencies::Percentile99() const {
  if (us.empty()) return 0;
  const size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(us.size())));
  return us[std::max<size_t>(rank, 1) - 1];
}
double Latencies::Max() const { return us.empty() ? 0 : us.back(); }

Latencies MeasureFloor(int rounds) {
  Floor floor;
  floor.rounds = rounds;
  floor.latencies.us.reserve(static_cast<size_t>(rounds));
  floor.event = plat::create_event();
  floor.handled = plat::create_event();
  floor.window = plat::create_message_window(&FloorProc, &floor);
  plat::Handle sender = plat::create_thread(&FloorSender, &floor);
  plat::Handle waker = plat::create_thread(&FloorWaker, &floor);
  if (floor.event && floor.handled && floor.window && sender && waker) {
    host::PumpUntil([&floor] { return floor.rounds_done.load() >= floor.rounds; }, kGuardMs + 10 * rounds);
  }
  floor.stop.store(true);
  if (waker) plat::wait(waker, plat::kInfinite);
  if (sender) {
    plat::set_event(floor.event);
    plat::wait_pumping(sender, plat::kInfinite);  // a send may be on its way
  }
  plat::close_handle(waker);
  plat::close_handle(sender);
  plat::destroy_window(floor.window);
  plat::close_handle(floor.event);
  plat::close_handle(floor.handled);
  floor.latencies.Sort();
  return floor.latencies;
}

std::vector<TaskSample> SampleTasks() {
  std::vector<TaskSample> tasks;
  for (const std::string& name : TaskNames()) {
    TaskSample task;
    task.tid = std::strtoull(name.c_str(), nullptr, 10);
    const std::string folder = kTasks + name;
    std::string text;
    // schedstat: nanoseconds on a processor first.
    if (ReadText(folder + "/schedstat", text)) task.cpu_ns = std::strtoull(text.c_str(), nullptr, 10);
    if (ReadText(folder + "/status", text)) {
      const size_t at = text.find("voluntary_ctxt_switches:");
      if (at != std::string::npos) {
        task.switches = std::strtoull(text.c_str() + at + sizeof "voluntary_ctxt_switches:" - 1, nullptr, 10);
      }
    }
    if (task.tid != 0) tasks.push_back(task);
  }
  std::sort(tasks.begin(), tasks.end(),
            [](const TaskSample& a, const TaskSample& b) { return a.tid < b.tid; });
  return tasks;
}

std::vector<ThreadCost> NewThreadCosts(const std::vector<TaskSample>& before_start,
                                       const std::vector<TaskSample>& from, const std::vector<TaskSample>& to,
                                       double seconds) {
  std::vector<ThreadCost> costs;
  for (const TaskSample& end : to) {
    const TaskSample* begin = Find(from, end.tid);
    if (Find(before_start, end.tid) != nullptr || begin == nullptr || seconds <= 0) continue;
    ThreadCost cost;
    cost.tid = end.tid;
    cost.wakeups_per_s = static_cast<double>(end.switches - begin->switches) / seconds;
    cost.cpu_us_per_s = static_cast<double>(end.cpu_ns - begin->cpu_ns) / 1e3 / seconds;
    costs.push_back(cost);
  }
  return costs;
}

void PrintFloor(const Latencies& floor) {
  std::printf(
      "  floor: event wake-up + cross-thread send to a pumping window (us, %zu rounds):"
      " median %.1f  p99 %.1f  max %.1f\n",
      floor.us.size(), floor.Median(), floor.Percentile99(), floor.Max());
}

void PrintAgainstFloor(const char* label, const Latencies& latency, const Latencies& floor) {
  const double median = floor.Median() > 0 ? latency.Median() / floor.Median() : 0;
  const double p99 = floor.Percentile99() > 0 ? latency.Percentile99() / floor.Percentile99() : 0;
  std::printf("  %-44s median %7.1f us = %5.2f x floor   p99 %7.1f us = %5.2f x floor\n", label,
              latency.Median(), median, latency.Percentile99(), p99);
}

void PrintIdle(const std::vector<ThreadCost>& threads, const char* const* names, int name_count) {
  if (threads.empty()) {
    std::printf("  (no per-thread figures: /proc/self/task is not readable here)\n");
    return;
  }
  for (size_t i = 0; i < threads.size(); ++i) {
    const char* name = static_cast<int>(i) < name_count ? names[i] : "another new thread";
    std::printf("  %-28s wake-ups %6.2f /s   CPU %8.1f us/s\n", name, threads[i].wakeups_per_s,
                threads[i].cpu_us_per_s);
  }
}

}  // namespace bench

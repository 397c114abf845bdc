// What the native benchmark and the Windows figures program share: the
// clock, latency lists, the core's window, the floor of the path a
// key takes, and the cost of threads seen from outside through /proc.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace bench {

// Nanoseconds on the steady clock.
int64_t NowNs();

// Latencies in microseconds; sorted by Sort().
struct Latencies {
  std::vector<double> us;
  void Sort();
  double Median() const;
  double Percentile99() const;
  double Max() const;
};

// A core's window: the handler notes each key notification. Written by the
// handler, read by the loop, both on the window's thread.
struct CoreState {
  uint64_t count = 0;
  int32_t repeat = 0;
  int64_t handled_ns = 0;
};
intptr_t CoreProc(void* state, plat::WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// The floor under a key's way to the core, on the same platform layer: one
// thread signals a manual-reset event, a second wakes from its wait and sends
// a message to a window of this thread, which pumps as a core does. Each
// round runs from the signal to the first instruction of the handler.
Latencies MeasureFloor(int rounds);

// One thread of this process as /proc shows it.
struct TaskSample {
  uint64_t tid = 0;
  uint64_t cpu_ns = 0;    // time on a processor
  uint64_t switches = 0;  // voluntary context switches: each one a sleep, so a wake-up
};
// Every thread of this process; empty where there is no /proc.
std::vector<TaskSample> SampleTasks();

// Per second, for each thread of `after` that `before_start` did not have
// (the threads a Start created, in creation order), between `from` and `to`.
struct ThreadCost {
  uint64_t tid = 0;
  double wakeups_per_s = 0;
  double cpu_us_per_s = 0;
};
std::vector<ThreadCost> NewThreadCosts(const std::vector<TaskSample>& before_start,
                                       const std::vector<TaskSample>& from, const std::vector<TaskSample>& to,
                                       double seconds);

// The summary lines for the floor, a latency against it, and idle threads.
void PrintFloor(const Latencies& floor);
void PrintAgainstFloor(const char* label, const Latencies& latency, const Latencies& floor);
void PrintIdle(const std::vector<ThreadCost>& threads, const char* const* names, int name_count);

}  // namespace bench

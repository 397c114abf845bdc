// The plug-in measured end to end on the simulated card: Open, Start, key
// presses on the pins, notifications handled on this thread's core window,
// Stop and Close.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/bench/figures.h"

namespace bench {

struct EndToEndOptions {
  int presses = 1000;
  int warmup_presses = 100;
  int32_t interval_ms = 5;
  int hold_ms = 3000;
  int stop_runs = 7;
  bool trace_allocations = false;
};

struct AllocationCount {
  uint64_t poll = 0;       // polling thread
  uint64_t key_event = 0;  // key event thread
  uint64_t core = 0;       // core thread: pumping and the handler's return
  uint64_t samples = 0;    // polling cycles in the window
  uint64_t notifications = 0;
};

struct EndToEndFigures {
  bool ok = false;
  const char* failure = "";
  Latencies press;              // sample read -> handler, press (0)
  Latencies release;            // sample read -> handler, release (-1)
  Latencies press_from_pins;    // pins set -> handler, sampling delay included
  AllocationCount presses;      // over the measured presses and releases
  AllocationCount hold;         // a key held with auto-repeats
  std::vector<double> stop_ms;  // Stop with Interval 1000, sorted
};

EndToEndFigures RunEndToEnd(const EndToEndOptions& options);

// The plug-in started with no key held: what its threads cost while idle.
struct IdleFigures {
  bool ok = false;
  int32_t interval_ms = 0;
  double seconds = 0;
  std::vector<ThreadCost> threads;  // the threads Start created, in creation order
};
IdleFigures RunIdle(int32_t interval_ms, uint32_t ms);

}  // namespace bench

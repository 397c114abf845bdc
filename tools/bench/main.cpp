// ./dev bench: the engine's pass under Google Benchmark, then the plug-in end
// to end on the simulated card, then a summary of both. Figures only: nothing
// here judges a timing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <optional>
#include <string>

#include "tools/bench/alloc_count.h"
#include "tools/bench/end_to_end.h"

namespace {

// The console table as usual, plus each run's time per iteration for the summary.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      Figure figure;
      figure.name = run.benchmark_name();
      // CPU time: the machine may be shared, and waiting for it is no cost of
      // the pass. The benchmarks use nanoseconds.
      figure.ns = run.GetAdjustedCPUTime();
      const auto allocs = run.counters.find("allocs/pass");
      if (allocs != run.counters.end()) figure.allocs = allocs->second.value;
      figures.push_back(figure);
    }
  }
  struct Figure {
    std::string name;
    double ns = 0;
    std::optional<double> allocs;  // only the passes count them
  };
  std::vector<Figure> figures;
};

void Usage() {
  std::printf(
      "usage: saa_bench [--presses N] [--interval MS] [--hold MS] [--stop-runs N] [--idle-ms MS]\n"
      "                 [--engine-only | --end-to-end-only] [--trace-allocations]\n"
      "                 [Google Benchmark flags, e.g. --benchmark_filter=Change]\n");
}

double PerUnit(uint64_t count, uint64_t units) {
  return units == 0 ? 0 : static_cast<double>(count) / static_cast<double>(units);
}

void PrintAllocations(const char* label, const bench::AllocationCount& a) {
  std::printf("  %-28s %llu polling cycles, %llu notifications\n", label,
              static_cast<unsigned long long>(a.samples), static_cast<unsigned long long>(a.notifications));
  std::printf(
      "  %-28s polling thread %llu (%.4f per cycle); key event thread %llu + core thread %llu "
      "(%.4f per notification)\n",
      "  allocations:", static_cast<unsigned long long>(a.poll), PerUnit(a.poll, a.samples),
      static_cast<unsigned long long>(a.key_event), static_cast<unsigned long long>(a.core),
      PerUnit(a.key_event + a.core, a.notifications));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::EndToEndOptions options;
  bool engine = true;
  bool end_to_end = true;
  int idle_ms = 3000;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto number = [&](int& out) {
      if (value == nullptr) return false;
      out = std::atoi(value);
      ++i;
      return true;
    };
    bool ok = true;
    if (std::strcmp(arg, "--presses") == 0)
      ok = number(options.presses);
    else if (std::strcmp(arg, "--interval") == 0)
      ok = number(options.interval_ms);
    else if (std::strcmp(arg, "--hold") == 0)
      ok = number(options.hold_ms);
    else if (std::strcmp(arg, "--stop-runs") == 0)
      ok = number(options.stop_runs);
    else if (std::strcmp(arg, "--idle-ms") == 0)
      ok = number(idle_ms);
    else if (std::strcmp(arg, "--engine-only") == 0)
      end_to_end = false;
    else if (std::strcmp(arg, "--end-to-end-only") == 0)
      engine = false;
    else if (std::strcmp(arg, "--trace-allocations") == 0)
      options.trace_allocations = true;
    else
      ok = false;
    if (!ok) {
      Usage();
      return 2;
    }
  }

  CollectingReporter reporter;
  if (engine) {
    std::printf("== KeyEngine::Pass, no-op output (Google Benchmark)\n");
    benchmark::RunSpecifiedBenchmarks(&reporter);
  }

  bench::EndToEndFigures e2e;
  bench::Latencies floor;
  bench::IdleFigures idle;
  if (end_to_end) {
    std::printf("\n== the floor: event wake-up and cross-thread send on the same platform layer\n");
    std::fflush(stdout);
    floor = bench::MeasureFloor(options.presses);
    std::printf("\n== end to end: real plug-in, simulated card, core window on the main thread\n");
    std::printf("   %d presses and releases after %d to warm up, Interval %d ms; then a key held %d ms\n",
                options.presses, options.warmup_presses, options.interval_ms, options.hold_ms);
    std::fflush(stdout);
    e2e = bench::RunEndToEnd(options);
    std::printf("\n== idle: the plug-in started, no key held, Interval 50 ms, %d ms\n", idle_ms);
    std::fflush(stdout);
    idle = bench::RunIdle(50, static_cast<uint32_t>(idle_ms));
  }

  std::printf(
      "\n== summary (native, plain build; the machine is shared with other builds, so the\n"
      "   timings vary from run to run: compare figures of one run)\n");
  if (engine) {
    std::printf(
        "engine pass and loading (CPU time per pass or load, allocations per pass;\n"
        "key table of 50 unless /N, definition of N keys for LoadConfiguration/N):\n");
    for (const auto& figure : reporter.figures) {
      if (!figure.allocs) {
        std::printf("  %-36s %8.1f us\n", figure.name.c_str(), figure.ns / 1e3);
      } else {
        std::printf("  %-36s %8.1f ns  %.0f allocs\n", figure.name.c_str(), figure.ns, *figure.allocs);
      }
    }
  }
  if (end_to_end) {
    if (!e2e.ok) std::printf("end to end FAILED: %s\n", e2e.failure);
    std::printf("latency, sample read -> core handler (us, %zu presses):\n", e2e.press.us.size());
    std::printf("  press   (0)  median %7.1f   p99 %7.1f   max %8.1f\n", e2e.press.Median(),
                e2e.press.Percentile99(), e2e.press.Max());
    std::printf("  release (-1) median %7.1f   p99 %7.1f   max %8.1f\n", e2e.release.Median(),
                e2e.release.Percentile99(), e2e.release.Max());
    std::printf("  press from pins set (sampling included) median %.1f  p99 %.1f\n",
                e2e.press_from_pins.Median(), e2e.press_from_pins.Percentile99());
    std::printf("against the floor (same run, native platform layer):\n");
    bench::PrintFloor(floor);
    bench::PrintAgainstFloor("press, sample read -> core handler", e2e.press, floor);
    bench::PrintAgainstFloor("press, pins set -> core handler (sampling)", e2e.press_from_pins, floor);
    std::printf("idle (no key held, Interval %d ms, %.1f s; from /proc/self/task):\n", idle.interval_ms,
                idle.seconds);
    const char* const names[] = {"polling thread", "key event thread"};
    bench::PrintIdle(idle.threads, names, 2);
    if (!idle.ok) std::printf("  idle run FAILED: the plug-in did not start, or notified while idle\n");
    std::printf("heap allocations (counted, after warm-up):\n");
    PrintAllocations("presses and releases:", e2e.presses);
    PrintAllocations("key held (auto-repeats):", e2e.hold);
    if (!e2e.stop_ms.empty()) {
      std::printf("Stop with Interval 1000 (ms, %zu runs): min %.2f  median %.2f  max %.2f\n",
                  e2e.stop_ms.size(), e2e.stop_ms.front(), e2e.stop_ms[e2e.stop_ms.size() / 2],
                  e2e.stop_ms.back());
    }
    if (options.trace_allocations) {
      std::printf("first counted allocations:\n");
      bench::PrintAllocationTraces();
    }
  }
  benchmark::Shutdown();
  return end_to_end && !e2e.ok ? 1 : 0;
}

// The cost of one KeyEngine::Pass with an output that does nothing: a repeat
// of the held key (with and without an auto-repeat due) and a change of key,
// named through key tables of a few sizes; and LoadConfiguration reading
// definitions of those sizes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "config/code_text.h"
#include "config/definition.h"
#include "config/key_index.h"
#include "config/settings.h"
#include "config/string_list.h"
#include "events/key_engine.h"
#include "tools/bench/alloc_count.h"

using namespace config;

namespace {

class NoOutput final : public events::KeyEngineOutput {
 public:
  bool Notify(int32_t repeat_count) override {
    benchmark::DoNotOptimize(repeat_count);
    ++notifications;
    return true;
  }
  int64_t notifications = 0;
  void Monitor(bool pressed, uint64_t code) override { benchmark::DoNotOptimize(code); }
};

// A remote definition's key table of `size` entries, codes 0x10 upwards,
// indexed as LoadConfiguration indexes it.
struct Table {
  explicit Table(int size) : index(Keys(size), "Bench remote") {}
  static std::vector<DefinitionKey> Keys(int size) {
    std::vector<DefinitionKey> keys;
    for (int i = 0; i < size; ++i)
      keys.push_back({i + 1, CodeText(Code(i)), "Key number " + std::to_string(i)});
    return keys;
  }
  static uint32_t Code(int entry) { return 0x10u + static_cast<uint32_t>(entry); }

  KeyIndex index;
};

struct Fixture {
  explicit Fixture(int size) : table(size) {
    engine.emplace(timings, &table.index, events::KeyTexts{key_name, code_text, remote_name}, output);
  }
  events::KeyTimings timings;
  Table table;
  std::array<char, events::kKeyNameSize> key_name{};
  std::array<char, kCodeTextSize> code_text{};
  std::array<char, events::kRemoteNameSize> remote_name{};
  NoOutput output;
  std::optional<events::KeyEngine> engine;
};

// Allocations and notifications per pass, counted while the loop runs.
void CountAllocations(benchmark::State& state, uint64_t allocations, const NoOutput& output,
                      int64_t notifications_before) {
  state.counters["allocs/pass"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  state.counters["notifies/pass"] = benchmark::Counter(
      static_cast<double>(output.notifications - notifications_before), benchmark::Counter::kAvgIterations);
}

// The held key reported again before its next auto-repeat is due.
void BM_PassRepeat(benchmark::State& state) {
  Fixture f(50);
  const device::PressReport held{Table::Code(25), true};
  f.engine->Pass(&held, 1000, f.timings);  // the press
  const int64_t notified = f.output.notifications;
  bench::StartCounting();
  for (auto _ : state) benchmark::DoNotOptimize(f.engine->Pass(&held, 1001, f.timings));
  bench::StopCounting();
  CountAllocations(state, bench::TotalAllocations(), f.output, notified);
}
BENCHMARK(BM_PassRepeat);

// The held key reported again with an auto-repeat due on every pass.
void BM_PassRepeatDue(benchmark::State& state) {
  Fixture f(50);
  const device::PressReport held{Table::Code(25), true};
  uint32_t now = 1000;
  f.engine->Pass(&held, now, f.timings);
  const int64_t notified = f.output.notifications;
  bench::StartCounting();
  for (auto _ : state) {
    now += 300;  // past Wait1 and every WaitN
    benchmark::DoNotOptimize(f.engine->Pass(&held, now, f.timings));
  }
  bench::StopCounting();
  CountAllocations(state, bench::TotalAllocations(), f.output, notified);
}
BENCHMARK(BM_PassRepeatDue);

// Passes that alternate between two held keys: a change of key each time.
void PassAlternating(benchmark::State& state, Fixture& f, const device::PressReport (&keys)[2]) {
  uint32_t now = 1000;
  f.engine->Pass(&keys[0], now, f.timings);
  size_t next = 1;
  const int64_t notified = f.output.notifications;
  bench::StartCounting();
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.engine->Pass(&keys[next], ++now, f.timings));
    next ^= 1;
  }
  bench::StopCounting();
  CountAllocations(state, bench::TotalAllocations(), f.output, notified);
}

// Every pass reports another held key: code text, lookup in the index of
// range(0) keys, release of the old key and press of the new one. The two
// keys sit in the middle and at the end of the table.
void BM_PassChangeOfKey(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  Fixture f(size);
  const device::PressReport keys[2] = {{Table::Code(size / 2), true}, {Table::Code(size - 1), true}};
  PassAlternating(state, f, keys);
}
BENCHMARK(BM_PassChangeOfKey)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);

// A change between two codes the table of 50 does not hold: a lookup that fails each.
void BM_PassChangeToUnknownCode(benchmark::State& state) {
  Fixture f(50);
  const device::PressReport keys[2] = {{0xF0, true}, {0xF1, true}};
  PassAlternating(state, f, keys);
}
BENCHMARK(BM_PassChangeToUnknownCode);

// LoadConfiguration from a settings file and a definition of range(0) keys
// in a folder of their own, as Open and every change in the dialog run it.
void BM_LoadConfiguration(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  char folder[] = "/tmp/saa713x-load-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string base = std::string(folder) + "/";
  {
    std::ofstream(base + "SAA713x.ini") << "[Main]\nDefaultConfig=Bench.cfg\nInterval=50\nDevice=0\n";
    std::ofstream definition(base + "Bench.cfg");
    definition << "[Setup]\nName=Bench remote\nPressMask=100\nPressFlag=1\nKeyMask=FFFF\n[Keys]\n";
    for (int i = 0; i < size; ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "%08X=Key number %d\n", Table::Code(i), i);
      definition << line;
    }
  }
  std::snprintf(ModulePath, sizeof ModulePath, "%sSAA713x.dll", base.c_str());
  StringList keys;
  StringList remotes;
  StringList* const saved_keys = KeyList;
  StringList* const saved_remotes = RemoteNameList;
  KeyList = &keys;
  RemoteNameList = &remotes;
  for (auto _ : state) LoadConfiguration();
  if (keys.Count() != size) state.SkipWithError("the definition did not load");
  state.counters["keys"] = keys.Count();
  KeyList = saved_keys;
  RemoteNameList = saved_remotes;
  ModulePath[0] = '\0';
  unlink((base + "Bench.cfg").c_str());
  unlink((base + "SAA713x.ini").c_str());
  rmdir(folder);
}
BENCHMARK(BM_LoadConfiguration)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace

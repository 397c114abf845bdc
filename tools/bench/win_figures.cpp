// ./dev bench --wine: the figures for the real DLL under Wine, where Google
// Benchmark is not available. Loads SAA713x.dll by path from a folder of its
// own, drives the simulated card (SimVamp.dll, registered in the prefix) and
// measures, in one run, the floor of the platform layer, the latency from the
// pins to the core's handler, and what the plug-in's threads cost while idle.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/messages.h"
#include "host/plugin_library.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "sim/sim_control.h"
#include "tools/bench/figures.h"

namespace {

constexpr uint32_t kPressBit = 0x100;
constexpr uint32_t kGuardMs = 5000;

void WriteSettings(const std::string& folder, int32_t interval_ms) {
  std::ofstream(folder + "\\SAA713x.ini")
      << "[Main]\r\nDefaultConfig=Bench.cfg\r\nInterval=" << interval_ms << "\r\n";
}

void OpenPlugin(const host::PluginLibrary& plugin, plat::WindowHandle window) {
  const host::CoreInfoBlock info(host::kAcceptedCoreVersion);
  plugin.Open("bench", window, info.bytes);
}

// One press and release on the pins; the time from setting the pins to the
// handler, sampling delay included.
bool PressAndRelease(sim::Control* card, bench::CoreState& core, uint32_t code, bench::Latencies* press,
                     bench::Latencies* release) {
  uint64_t before = core.count;
  int64_t set_ns = bench::NowNs();
  card->SetPins(0, kPressBit | code);
  if (!host::PumpUntil([&] { return core.count > before; }, kGuardMs) || core.repeat != 0) return false;
  if (press) press->us.push_back(static_cast<double>(core.handled_ns - set_ns) / 1e3);
  before = core.count;
  set_ns = bench::NowNs();
  card->SetPins(0, 0);
  if (!host::PumpUntil([&] { return core.count > before; }, kGuardMs) || core.repeat != -1) return false;
  if (release) release->us.push_back(static_cast<double>(core.handled_ns - set_ns) / 1e3);
  return true;
}

// A line for ./dev bench --wine, which samples this process's threads; the
// pause gives it the time to look before anything changes.
void Marker(const char* name) {
  std::printf("@%s\n", name);
  std::fflush(stdout);
  host::PumpFor(300);
}

const char* WineVersion() {
  using Fn = const char* (*)();
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  auto fn = ntdll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
                  : nullptr;
  return fn ? fn() : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dll, work = "win-figures";
  int presses = 300;
  int idle_ms = 3000;
  int32_t interval_ms = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (arg == "--plugin")
      dll = value, ++i;
    else if (arg == "--work")
      work = value, ++i;
    else if (arg == "--presses")
      presses = std::atoi(value), ++i;
    else if (arg == "--idle-ms")
      idle_ms = std::atoi(value), ++i;
    else if (arg == "--interval")
      interval_ms = std::atoi(value), ++i;
    else {
      std::fprintf(stderr,
                   "usage: win_figures --plugin SAA713x.dll [--work DIR] [--presses N] "
                   "[--interval MS] [--idle-ms MS]\n");
      return 2;
    }
  }
  if (dll.empty() || presses < 1) return 2;

  std::error_code error;
  std::filesystem::remove_all(work, error);
  std::filesystem::create_directories(work);
  const std::string copy = work + "\\SAA713x.dll";
  if (!CopyFileA(dll.c_str(), copy.c_str(), FALSE)) {
    std::fprintf(stderr, "cannot copy %s\n", dll.c_str());
    return 1;
  }
  std::ofstream(work + "\\Bench.cfg")
      << "[Setup]\r\nName=Bench remote\r\nReleaseDetect=1\r\nPressMask=100\r\nPressFlag=1\r\n"
         "KeyMask=FF\r\n[Keys]\r\n00000011=Key A\r\n0000002A=Key B\r\n";
  WriteSettings(work, interval_ms);

  const char* wine = WineVersion();
  std::printf("== figures for the DLL under %s%s, a %d-bit build\n", wine ? "Wine " : "Windows",
              wine ? wine : "", static_cast<int>(sizeof(void*) * 8));
  std::fflush(stdout);
  bench::Latencies floor = bench::MeasureFloor(presses);

  sim::Control* card = sim::control();
  host::PluginLibrary plugin;
  if (card == nullptr || !plugin.Load(copy)) {
    std::fprintf(stderr, "%s\n", card ? plugin.error().c_str() : "the simulated card is not registered");
    return 1;
  }
  card->Reset();
  card->SetPins(sim::kAnyDevice, 0);
  bench::CoreState core;
  plat::WindowHandle window = plat::create_message_window(&bench::CoreProc, &core);

  // Latency: pins set -> handler, Interval from the settings file.
  bench::Latencies press, release;
  OpenPlugin(plugin, window);
  plugin.Start();
  bool ok = true;
  for (int i = 0; ok && i < presses / 10 + 5; ++i) ok = PressAndRelease(card, core, 0x11, nullptr, nullptr);
  for (int i = 0; ok && i < presses; ++i)
    ok = PressAndRelease(card, core, i & 1 ? 0x2A : 0x11, &press, &release);
  plugin.Stop();
  plugin.Close();
  press.Sort();
  release.Sort();

  // Idle at Interval 50: a new Open reads the settings again. Inside Wine
  // /proc shows the wine server, so the threads are measured from outside:
  // the marker lines tell ./dev bench --wine when to look.
  WriteSettings(work, 50);
  OpenPlugin(plugin, window);
  Marker("before-start");
  const uint64_t notified = core.count;
  plugin.Start();
  host::PumpFor(300);  // past the start
  Marker("idle-from");
  const int64_t begin = bench::NowNs();
  host::PumpFor(static_cast<uint32_t>(idle_ms));
  Marker("idle-to");
  const double seconds = static_cast<double>(bench::NowNs() - begin) / 1e9;
  plugin.Stop();
  plugin.Close();
  const bool idle_ok = core.count == notified;
  plat::destroy_window(window);

  std::printf("\n== summary (Wine %s, %d-bit build; the machine is shared, so figures vary run to run)\n",
              wine ? wine : "-", static_cast<int>(sizeof(void*) * 8));
  if (!ok) std::printf("latency run FAILED: a notification did not come within the guard time\n");
  std::printf("latency, pins set -> core handler (us, %zu presses, Interval %d ms, sampling included):\n",
              press.us.size(), interval_ms);
  bench::PrintFloor(floor);
  bench::PrintAgainstFloor("press (0), pins set -> core handler", press, floor);
  bench::PrintAgainstFloor("release (-1), pins set -> core handler", release, floor);
  std::printf("idle (no key held, Interval 50 ms, %.1f s; the wine process's threads seen from outside):\n",
              seconds);
  if (!idle_ok) std::printf("  idle run FAILED: the plug-in notified while no key was held\n");
  return ok && idle_ok ? 0 : 1;
}

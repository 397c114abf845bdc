// A small core for the demo: loads the plug-in by path, opens it with a
// window of its own, plays the simulated card's remote session and prints
// every notification it receives.
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/messages.h"
#include "host/plugin_library.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/core_interface.h"
#include "setup/form_window.h"
#include "sim/script.h"
#include "sim/sim_control.h"

namespace fs = std::filesystem;

namespace {

// The dialog while it shows: the plug-in's exported _SetupForm.
std::atomic<setup::SetupFormBase*>& SetupForm(const host::PluginLibrary& plugin) {
  return *static_cast<std::atomic<setup::SetupFormBase*>*>(plugin.SetupForm);
}

uint32_t start_tick = 0;

intptr_t CoreProc(void*, plat::WindowHandle, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  if (msg != events::kKeyNotify) return 0;
  const host::RecordTexts record =
      host::ReadRecord(*reinterpret_cast<const events::KeyEventRecordT*>(wparam));
  const int32_t repeat = static_cast<int32_t>(lparam);
  char kind[24];
  if (repeat == 0)
    std::snprintf(kind, sizeof kind, "press");
  else if (repeat < 0)
    std::snprintf(kind, sizeof kind, "release");
  else
    std::snprintf(kind, sizeof kind, "repeat %" PRId32, repeat);
  const uint32_t elapsed = plat::tick_count() - start_tick;
  std::printf("%4u.%03u s  %-10s %-12s %-17s %s\n", elapsed / 1000, elapsed % 1000, kind,
              record.key_name.c_str(), record.code_text.c_str(), record.remote_name.c_str());
  std::fflush(stdout);
  return 0;
}

// Shows the setup dialog and closes it after ms, as its close box would.
void ShowSetup(const host::PluginLibrary& plugin, uint32_t ms, bool keep_open) {
  std::thread closer;
  if (!keep_open) {
    closer = std::thread([&plugin, ms] {
      plat::WindowHandle dialog = nullptr;
      for (int i = 0; i < 500 && dialog == nullptr; ++i) {
        if (setup::SetupFormBase* form = SetupForm(plugin).load()) dialog = form->Handle.load();
        if (dialog == nullptr) plat::sleep_ms(10);
      }
      plat::sleep_ms(ms);
      if (dialog != nullptr) plat::post_message(dialog, plat::kWmClose, 0, 0);
    });
  }
  plugin.Setup();
  if (closer.joinable()) closer.join();
}

// A copy of the plug-in with the sample definitions (and a settings file, if
// the folder has one) beside it, so the run leaves the build and the sources
// untouched.
std::string PrepareFolder(const std::string& plugin, const std::string& samples, const std::string& work) {
  fs::remove_all(work);
  fs::create_directories(work);
  const fs::path target = fs::path(work) / fs::path(plugin).filename();
  fs::copy_file(plugin, target);
  for (const auto& entry : fs::directory_iterator(samples)) {
    const fs::path extension = entry.path().extension();
    if (extension == ".cfg" || extension == ".ini") {
      fs::copy_file(entry.path(), fs::path(work) / entry.path().filename());
    }
  }
  return target.string();
}

struct Options {
  std::string plugin, folder, script, work = "demo-run";
  uint32_t extra_ms = 800;
  bool setup = false;      // the session plays into the setup dialog
  bool keep_open = false;  // the person closes the dialog
};

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--plugin")
      options.plugin = next();
    else if (arg == "--folder")
      options.folder = next();
    else if (arg == "--script")
      options.script = next();
    else if (arg == "--work")
      options.work = next();
    else if (arg == "--setup")
      options.setup = true;
    else if (arg == "--keep-open")
      options.keep_open = true;
    else {
      std::fprintf(stderr, "unknown option %s\n", arg.c_str());
      return false;
    }
  }
  if (options.script.empty()) options.script = options.folder + "/session.txt";
  return !options.plugin.empty() && !options.folder.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr, "usage: demo_core --plugin PATH --folder SAMPLES [--script FILE] [--work DIR]\n");
    return 2;
  }
  const std::string plugin_path = PrepareFolder(options.plugin, options.folder, options.work);
  sim::Control* card = sim::control();
  char error[256] = "";
  if (card == nullptr || !card->LoadScriptFile(options.script.c_str(), error, sizeof error)) {
    std::fprintf(stderr, "simulated card: %s\n", card ? error : "not reachable");
    return 1;
  }
  std::ifstream file(options.script, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  sim::Script script;
  std::string parse_error;
  sim::ParseScript(text.str(), script, parse_error);
  host::PluginLibrary plugin;
  if (!plugin.Load(plugin_path)) {
    std::fprintf(stderr, "%s\n", plugin.error().c_str());
    return 1;
  }

  plat::WindowHandle window = plat::create_message_window(&CoreProc, nullptr);
  const host::CoreInfoBlock info(host::kAcceptedCoreVersion);
  const char* description = plugin.Open("DEMO", window, info.bytes);
  std::printf("plug-in: %s (%s)\n", description, plugin_path.c_str());
  std::printf("remote session: %s\n\n", options.script.c_str());
  std::printf("    time    event      key          code              remote\n");

  const uint32_t session_ms = static_cast<uint32_t>(script.LengthMs()) + options.extra_ms;
  start_tick = plat::tick_count();
  card->RestartScript();
  if (options.setup) {
    std::printf("(the session plays into the setup dialog; the core receives nothing meanwhile)\n");
    ShowSetup(plugin, session_ms, options.keep_open);
  } else {
    plugin.Start();
    host::PumpFor(session_ms);
    plugin.Stop();
    std::printf("\nsetup dialog as the plug-in fills it:\n");
    std::fflush(stdout);
    ShowSetup(plugin, 300, false);
  }
  plugin.Close();
  plat::destroy_window(window);
  return 0;
}

// End to end under Wine: a test core with a real window loads the real
// SAA713x.dll by path; the COM-registered simulated card holds and changes
// keys; the core's window procedure reads each notification's record.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/messages.h"
#include "host/plugin_library.h"
#include "host/temp_dir.h"
#include "plugin/core_interface.h"
#include "sim/sim_control.h"

namespace {

constexpr DWORD kGuardMs = 20000;

struct Received {
  int32_t repeat;
  host::RecordTexts record;
};

std::vector<Received> received;
// Runs inside the core's handler, after the notification was recorded.
std::function<void()> on_notify;

LRESULT CALLBACK CoreProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg != events::kKeyNotify) return DefWindowProcA(window, msg, wparam, lparam);
  received.push_back({static_cast<int32_t>(lparam),
                      host::ReadRecord(*reinterpret_cast<const events::KeyEventRecordT*>(wparam))});
  if (on_notify) on_notify();
  return 0;
}

bool PumpUntil(const std::function<bool()>& done) { return host::PumpUntil(done, kGuardMs); }

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

bool Has(int32_t repeat, const std::string& key) {
  for (const auto& r : received) {
    if (r.repeat == repeat && r.record.key_name == key) return true;
  }
  return false;
}

// A core window and the real DLL copied into a fresh folder with a remote
// definition beside it.
class E2EKeyEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    card = sim::control();
    ASSERT_NE(card, nullptr);
    card->Reset();
    card->SetPins(sim::kAnyDevice, 0);
    received.clear();
    on_notify = nullptr;

    const std::string dll = dir.file("SAA713x.dll");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "..\\SAA713x.dll").c_str(), dll.c_str(), FALSE));
    dir.write("AverTV.cfg",
              "[Setup]\nName=E2E remote\nPressMask=100\nPressFlag=1\nKeyMask=FF\n"
              "[Keys]\n00000010=Volume +\n00000020=Channel A\n00000021=Channel B\n");

    WNDCLASSA window_class{};
    window_class.lpfnWndProc = &CoreProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "E2EKeyCore";
    RegisterClassA(&window_class);
    core = CreateWindowA("E2EKeyCore", "core", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(core, nullptr);
    ASSERT_TRUE(plugin.Load(dll)) << plugin.error();
    Open();
  }
  void TearDown() override {
    on_notify = nullptr;
    if (plugin.Close != nullptr) plugin.Close();
    if (core != nullptr) DestroyWindow(core);
  }
  void Open() {
    const host::CoreInfoBlock info(host::kAcceptedCoreVersion);
    plugin.Open("E2E", core, info.bytes);
  }

  sim::Control* card = nullptr;
  host::TempDir dir;
  HWND core = nullptr;
  host::PluginLibrary plugin;  // freed before the folder goes
};

TEST_F(E2EKeyEvents, PressRepeatsReleaseAndAChangeOfKeyReachARealCoreWindow) {
  plugin.Start();

  // Held for a second: a press, auto-repeats counting up, the reported release.
  card->SetPins(sim::kAnyDevice, 0x110);
  ASSERT_TRUE(PumpUntil([] { return Has(2, "Volume +"); }));
  card->SetPins(sim::kAnyDevice, 0);
  ASSERT_TRUE(PumpUntil([] { return Has(-1, "Volume +"); }));
  ASSERT_GE(received.size(), 4u);
  for (size_t i = 0; i + 1 < received.size(); ++i) EXPECT_EQ(received[i].repeat, static_cast<int32_t>(i));
  EXPECT_EQ(received.back().repeat, -1);
  for (const auto& r : received) {
    EXPECT_EQ(r.record.key_name, "Volume +");
    EXPECT_EQ(r.record.code_text, "00000010");
    EXPECT_EQ(r.record.remote_name, "E2E remote");
    EXPECT_EQ(r.record.ext_tag, "EXT");
    EXPECT_EQ(r.record.ext_value, 2);
  }

  // Channel B pressed while A is held: A's release, already with B's code,
  // then B's press.
  received.clear();
  card->SetPins(sim::kAnyDevice, 0x120);
  ASSERT_TRUE(PumpUntil([] { return Has(0, "Channel A"); }));
  card->SetPins(sim::kAnyDevice, 0x121);
  ASSERT_TRUE(PumpUntil([] { return Has(0, "Channel B"); }));
  plugin.Stop();
  size_t a_release = 0;
  while (a_release < received.size() && received[a_release].repeat != -1) ++a_release;
  ASSERT_LT(a_release + 1, received.size());
  EXPECT_EQ(received[a_release].record.key_name, "Channel A");
  EXPECT_EQ(received[a_release].record.code_text, "00000021");
  EXPECT_EQ(received[a_release + 1].repeat, 0);
  EXPECT_EQ(received[a_release + 1].record.key_name, "Channel B");
  EXPECT_EQ(received.back().record.key_name, "Channel B");  // Stop sent no release
}

// A core that reloads the plug-in in reaction to a key: Close inside its
// handler, Open and Start once the handler has returned, and keys go on.
TEST_F(E2EKeyEvents, CloseInsideTheHandlerThenOpenAndStartKeepsKeysFlowing) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    received.clear();
    bool closed = false;
    on_notify = [&] {
      if (closed) return;
      closed = true;
      plugin.Close();
      card->SetPins(sim::kAnyDevice, 0x120);  // the next key goes down meanwhile
    };
    card->SetPins(sim::kAnyDevice, 0x110);
    plugin.Start();
    ASSERT_TRUE(PumpUntil([&] { return closed; }));
    on_notify = nullptr;
    Open();
    plugin.Start();
    ASSERT_TRUE(PumpUntil([] { return Has(0, "Channel A"); }));
    card->SetPins(sim::kAnyDevice, 0);
    ASSERT_TRUE(PumpUntil([] { return Has(-1, "Channel A"); }));
    plugin.Stop();
    // The given-up run sent nothing after the Close: the new run began with a
    // press, of Volume + if the slot kept its report, and nothing of Volume +
    // came after Channel A's press.
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[0].record.key_name, "Volume +");
    EXPECT_EQ(received[1].repeat, 0);
    bool channel = false;
    for (const auto& r : received) {
      channel = channel || r.record.key_name == "Channel A";
      if (channel) {
        EXPECT_EQ(r.record.key_name, "Channel A");
      }
      EXPECT_EQ(r.record.ext_tag, "EXT");
    }
  }
}

}  // namespace

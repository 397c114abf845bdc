// End to end under Wine: a core thread loads the real SAA713x.dll by path and
// runs Setup twice; this thread finds the dialog by its caption and drives its
// real controls while the simulated card plays keys, then checks the settings
// file. A screenshot of the dialog goes to the build folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/ini_file.h"
#include "host/messages.h"
#include "host/plugin_library.h"
#include "host/temp_dir.h"
#include "plugin/core_interface.h"
#include "setup/win32/control_ids.h"
#include "sim/sim_control.h"
#include "remote/cards.h"

using namespace setup;

namespace {

constexpr DWORD kGuardMs = 30000;

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

bool WaitFor(const std::function<bool()>& done, DWORD guard_ms = kGuardMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > guard_ms) return false;
    Sleep(10);
  }
  return true;
}

std::string Text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ComboText(HWND combo, int index) {
  char text[256] = {};
  SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

int ComboFind(HWND combo, const std::string& text) {
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (ComboText(combo, i) == text) return i;
  }
  return -1;
}

std::string CellText(HWND table, int row, int column) {
  char text[256] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(table, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

int CurrentRow(HWND table) {
  return static_cast<int>(SendMessageA(table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// What the user's choice in a list does: the selection, then the control's
// notification to the dialog.
void Choose(HWND dialog, int id, int index) {
  HWND combo = GetDlgItem(dialog, id);
  SendMessageA(combo, CB_SETCURSEL, index, 0);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Read as the plug-in reads, sharing the file for deletion: the system's
// profile reader holds it without, and a save replacing the file at that
// moment would fail.
std::string IniValue(const std::string& file, const char* key) {
  return config::IniFile(file).ReadString("Main", key, "<missing>");
}

// ---------------------------------------------------------------- screenshot

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  PutBig32(png, Crc32(body.data(), body.size()));
}

// An RGB PNG with stored (uncompressed) deflate blocks: no library needed.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), rgb.begin() + static_cast<size_t>(y) * width * 3,
               rgb.begin() + static_cast<size_t>(y + 1) * width * 3);
  }
  std::vector<uint8_t> zlib = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    zlib.push_back(at + n >= raw.size() ? 1 : 0);
    zlib.push_back(static_cast<uint8_t>(n));
    zlib.push_back(static_cast<uint8_t>(n >> 8));
    zlib.push_back(static_cast<uint8_t>(~n));
    zlib.push_back(static_cast<uint8_t>(~n >> 8));
    zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    if (raw.empty()) break;
  }
  PutBig32(zlib, (b << 16) | a);
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(width));
  PutBig32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", zlib);
  Chunk(png, "IEND", {});
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && ok;
}

// Copies the window's area from the screen, child controls and all.
bool Screenshot(HWND window, const std::string& path) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY | CAPTUREBLT) != 0;
    GdiFlush();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    const auto* bgra = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
      rgb[i * 3] = bgra[i * 4 + 2];
      rgb[i * 3 + 1] = bgra[i * 4 + 1];
      rgb[i * 3 + 2] = bgra[i * 4];
    }
    ok = ok && WritePng(path, width, height, rgb);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// ---------------------------------------------------------------- the core

// The core: its window, the plug-in loaded by path, Setup run `setups` times.
class Core {
 public:
  // With then_run, the core starts the plug-in after the last Setup and takes
  // notifications until EndRun().
  Core(std::string dll, int setups, bool then_run = false)
      : dll_(std::move(dll)), setups_(setups), then_run_(then_run) {
    thread_ = std::thread([this] { Run(); });
  }
  // After a failed check the dialog may still show: close it so the core ends.
  ~Core() {
    EndRun();
    for (int i = 0; i < 3000 && !finished_.load(); ++i) {
      HWND dialog = FindWindowA(kSetupWindowClass, kSetupCaption);
      if (dialog != nullptr) PostMessageA(dialog, WM_CLOSE, 0, 0);
      Sleep(10);
    }
    if (thread_.joinable()) thread_.join();
  }
  bool Finished() const { return finished_.load(); }
  HWND window() const { return window_.load(); }
  int Notifications() const { return notifications_.load(); }
  std::string error() const { return error_; }
  void EndRun() { run_ended_.store(true); }
  // "key name|remote name" of every press the core received.
  std::vector<std::string> Presses() const {
    std::vector<std::string> presses;
    for (const std::string& event : Events()) {
      if (event.rfind("0 ", 0) == 0) presses.push_back(event.substr(2));
    }
    return presses;
  }
  // "repeat count key name|remote name" of every notification.
  std::vector<std::string> Events() const {
    std::lock_guard lock(events_mutex_);
    return events_;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_USER + 1) {
      auto* self = reinterpret_cast<Core*>(GetWindowLongPtrA(window, GWLP_USERDATA));
      if (self != nullptr) self->notifications_.fetch_add(1);
      if (self != nullptr) {
        const host::RecordTexts record =
            host::ReadRecord(*reinterpret_cast<const events::KeyEventRecordT*>(wparam));
        std::lock_guard lock(self->events_mutex_);
        self->events_.push_back(std::to_string(static_cast<int32_t>(lparam)) + " " + record.key_name + "|" +
                                record.remote_name);
      }
      return 0;
    }
    return DefWindowProcA(window, msg, wparam, lparam);
  }

  void Run() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = &Core::Proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "E2ETestCore";
    RegisterClassA(&window_class);
    HWND window = CreateWindowA("E2ETestCore", "Test core", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    window_.store(window);
    {
      host::PluginLibrary plugin;
      if (window == nullptr || !plugin.Load(dll_)) {
        error_ = window == nullptr ? "no core window" : plugin.error();
      } else {
        const host::CoreInfoBlock info(host::kAcceptedCoreVersion);
        plugin.Open("E2E", window, info.bytes);
        for (int i = 0; i < setups_; ++i) plugin.Setup();
        if (then_run_) {
          plugin.Start();
          // No guard of its own: EndRun, at the latest from the destructor, ends it.
          host::PumpUntil([this] { return run_ended_.load(); }, plat::kInfinite);
        }
        plugin.Close();
      }
    }
    if (window != nullptr) DestroyWindow(window);
    finished_.store(true);
  }

  std::string dll_;
  int setups_;
  bool then_run_;
  std::atomic<bool> run_ended_{false};
  mutable std::mutex events_mutex_;
  std::vector<std::string> events_;
  std::thread thread_;
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> finished_{false};
  std::atomic<int> notifications_{0};
  std::string error_;
};

HWND FindDialog(HWND other_than, const Core& core) {
  HWND found = nullptr;
  WaitFor([&] {
    HWND window = FindWindowA(kSetupWindowClass, kSetupCaption);
    if (window != nullptr && window != other_than && IsWindowVisible(window)) found = window;
    return found != nullptr || core.Finished();
  });
  return found;
}

const char kPinSetup[] = "PressMask=80000000\nPressFlag=1\nKeyMask=FFFF\n";

TEST(E2ESetupDialog, TheRealDialogDrivenThroughItsControlsOnTheSimulatedCard) {
  sim::Control* card = sim::control();
  ASSERT_NE(card, nullptr);
  card->Reset();
  sim::PciIds two[2];
  two[1].SubDevice = 0xBEEF;
  card->SetDevices(two, 2);

  host::TempDir dir;
  const std::string dll = dir.file("SAA713x.dll");
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "..\\SAA713x.dll").c_str(), dll.c_str(), FALSE));
  dir.write("tv.cfg",
            std::string("[Setup]\nName=TV\n") + kPinSetup + "[Keys]\n00000005=Five\n00000007=Seven\n");
  dir.write("radio.cfg", std::string("[Setup]\nName=Radio\n") + kPinSetup + "[Keys]\n00000005=Radio five\n");
  dir.write("SAA713x.ini", "[Main]\nDefaultConfig=tv.cfg\nInterval=50\nDevice=0\n");
  const std::string ini = dir.file("SAA713x.ini");

  Core core(dll, 2);
  HWND dialog = FindDialog(nullptr, core);
  ASSERT_NE(dialog, nullptr) << core.error();

  // The window as designed.
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, kSetupClientWidth);
  EXPECT_EQ(client.bottom, kSetupClientHeight);
  const LONG style = GetWindowLongA(dialog, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), core.window());
  EXPECT_FALSE(IsWindowEnabled(core.window()));  // modal over the core

  HWND devices = GetDlgItem(dialog, kIdDeviceCombo);
  HWND models = GetDlgItem(dialog, kIdModelCombo);
  HWND table = GetDlgItem(dialog, kIdValueListEditor);
  HWND group = GetDlgItem(dialog, kIdTestGroup);
  HWND code_label = GetDlgItem(dialog, kIdCodeLabel);
  HWND key_label = GetDlgItem(dialog, kIdKeyLabel);
  HWND interval_field = GetDlgItem(dialog, kIdEdit4);
  ASSERT_TRUE(devices && models && table && group && code_label && key_label && interval_field);

  EXPECT_EQ(SendMessageA(devices, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(devices, CB_GETCURSEL, 0, 0), 0);
  ASSERT_EQ(SendMessageA(models, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(ComboText(models, 0), "Radio");
  EXPECT_EQ(ComboText(models, 1), "TV");
  EXPECT_EQ(ComboText(models, static_cast<int>(SendMessageA(models, CB_GETCURSEL, 0, 0))), "TV");
  ASSERT_EQ(SendMessageA(table, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(CellText(table, 1, 0), "00000007");
  EXPECT_EQ(CellText(table, 1, 1), "Seven");
  EXPECT_EQ(SendMessageA(table, LVM_GETCOLUMNWIDTH, 0, 0), 100);
  EXPECT_EQ(SendMessageA(table, LVM_GETCOLUMNWIDTH, 1, 0), 103);
  EXPECT_EQ(Text(group), "Monitoring");
  EXPECT_EQ(Text(code_label), "Code:");
  EXPECT_EQ(Text(interval_field), "50");

  // Keyboard order: the key table first, the button last, then round again.
  const int tab_order[] = {kIdValueListEditor, kIdDeviceCombo, kIdModelCombo, kIdEdit1,          kIdEdit2,
                           kIdEdit3,           kIdEdit4,       kIdOKButton,   kIdValueListEditor};
  const DWORD dialog_thread = GetWindowThreadProcessId(dialog, nullptr);
  auto focus = [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(dialog_thread, &info) ? info.hwndFocus : nullptr;
  };
  EXPECT_TRUE(WaitFor([&] { return focus() == table; }));
  for (size_t i = 1; i < sizeof tab_order / sizeof tab_order[0]; ++i) {
    PostMessageA(focus(), WM_KEYDOWN, VK_TAB, 0);
    HWND next = GetDlgItem(dialog, tab_order[i]);
    EXPECT_TRUE(WaitFor([&] { return focus() == next; }, 5000)) << "tab stop " << i;
  }

  // A spinner stepped by its arrow key, twice: 50, 60, 70.
  PostMessageA(interval_field, WM_KEYDOWN, VK_UP, 0);
  PostMessageA(interval_field, WM_KEYDOWN, VK_UP, 0);
  EXPECT_TRUE(WaitFor([&] { return Text(interval_field) == "70"; })) << Text(interval_field);
  // And at its limit: Wait1 from 300 down to 50 and no further.
  HWND wait1_field = GetDlgItem(dialog, kIdEdit1);
  for (int i = 0; i < 7; ++i) PostMessageA(wait1_field, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_TRUE(WaitFor([&] { return Text(wait1_field) == "50"; })) << Text(wait1_field);

  // A key on the card, live.
  card->SetPins(sim::kAnyDevice, 0x80000007);
  EXPECT_TRUE(WaitFor([&] { return Text(group) == "Pressed"; })) << Text(group);
  EXPECT_EQ(Text(code_label), "Code: 00000007");
  EXPECT_EQ(Text(key_label), "Key: Seven");
  EXPECT_EQ(CurrentRow(table), 1);
  card->SetPins(sim::kAnyDevice, 0);
  EXPECT_TRUE(WaitFor([&] { return Text(group) == "Released"; })) << Text(group);

  const std::string shot = ProgramFolder() + "..\\e2e_setup_dialog.png";
  EXPECT_TRUE(Screenshot(dialog, shot)) << shot;

  // Another model, then another device: each restarts the plug-in.
  Choose(dialog, kIdModelCombo, ComboFind(models, "Radio"));
  EXPECT_TRUE(WaitFor([&] { return IniValue(ini, "DefaultConfig") == "radio.cfg"; }));
  EXPECT_TRUE(WaitFor([&] {
    return SendMessageA(table, LVM_GETITEMCOUNT, 0, 0) == 1 && CellText(table, 0, 1) == "Radio five";
  }));
  Choose(dialog, kIdDeviceCombo, 1);
  EXPECT_TRUE(WaitFor([&] { return IniValue(ini, "Device") == "1"; }));
  EXPECT_TRUE(WaitFor([&] { return SendMessageA(devices, CB_GETCOUNT, 0, 0) == 2; }));
  EXPECT_EQ(SendMessageA(devices, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Text(interval_field), "70");

  card->SetPins(1, 0x80000005);
  EXPECT_TRUE(WaitFor([&] { return Text(key_label) == "Key: Radio five"; })) << Text(key_label);
  EXPECT_EQ(CurrentRow(table), 0);
  card->SetPins(1, 0);
  EXPECT_TRUE(WaitFor([&] { return Text(group) == "Released"; }));

  // The close box.
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  HWND second = FindDialog(dialog, core);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(IniValue(ini, "DefaultConfig"), "radio.cfg");
  EXPECT_EQ(IniValue(ini, "Device"), "1");
  EXPECT_EQ(IniValue(ini, "Interval"), "70");
  EXPECT_EQ(IniValue(ini, "Wait1"), "50");  // saved by Setup after the dialog

  // A fresh dialog: the code shown last is not shown again.
  HWND second_group = GetDlgItem(second, kIdTestGroup);
  EXPECT_EQ(Text(second_group), "Monitoring");
  card->SetPins(1, 0x80000005);
  EXPECT_TRUE(WaitFor([&] { return Text(second_group) == "Pressed"; }));
  EXPECT_EQ(Text(GetDlgItem(second, kIdCodeLabel)), "Code:");
  EXPECT_EQ(Text(GetDlgItem(second, kIdKeyLabel)), "");
  card->SetPins(1, 0);

  // The "Close" button, this time after another step of the spinner.
  PostMessageA(GetDlgItem(second, kIdEdit4), WM_KEYDOWN, VK_UP, 0);
  EXPECT_TRUE(WaitFor([&] { return Text(GetDlgItem(second, kIdEdit4)) == "80"; }));
  PostMessageA(GetDlgItem(second, kIdOKButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return core.Finished(); }));
  EXPECT_EQ(IniValue(ini, "Interval"), "80");
  EXPECT_EQ(IniValue(ini, "Device"), "1");
  EXPECT_EQ(core.Notifications(), 0);  // every key went to the dialog
  std::printf("screenshot: %s\n", shot.c_str());
}

// The plug-in's character set is the ANSI code page throughout: a definition
// whose file name holds a letter outside ASCII is listed by its Name, saved
// back byte for byte when the dialog closes, and names the keys afterwards.
TEST(E2ESetupDialog, ADefinitionFileNamedOutsideAsciiSurvivesTheDialog) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, this prefix has " << GetACP();
  sim::Control* card = sim::control();
  ASSERT_NE(card, nullptr);
  card->Reset();
  card->SetPins(sim::kAnyDevice, 0);

  host::TempDir dir;
  const std::string dll = dir.file("SAA713x.dll");
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "..\\SAA713x.dll").c_str(), dll.c_str(), FALSE));
  const std::string kitchen =
      "K\xFC"
      "che.cfg";  // "u" with diaeresis in code page 1252
  dir.write(kitchen,
            std::string("[Setup]\nName=Kitchen\n") + kPinSetup + "[Keys]\n00008001=One\n00008002=Gr\xFCn\n");
  dir.write("Other.cfg", "[Setup]\nName=Alpha\n");
  dir.write("SAA713x.ini", "[Main]\nDefaultConfig=" + kitchen + "\n");

  Core core(dll, 1, /*then_run=*/true);
  HWND dialog = FindDialog(nullptr, core);
  ASSERT_NE(dialog, nullptr) << core.error();
  HWND models = GetDlgItem(dialog, kIdModelCombo);
  ASSERT_EQ(SendMessageA(models, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(ComboText(models, 0), "Alpha");
  EXPECT_EQ(ComboText(models, 1), "Kitchen");
  EXPECT_EQ(SendMessageA(models, CB_GETCURSEL, 0, 0), 1);
  PostMessageA(GetDlgItem(dialog, kIdOKButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return FindWindowA(kSetupWindowClass, kSetupCaption) == nullptr; }));

  card->SetPins(sim::kAnyDevice, 0x80008001);
  EXPECT_TRUE(WaitFor([&] { return !core.Presses().empty(); }));
  card->SetPins(sim::kAnyDevice, 0);
  Sleep(300);
  card->SetPins(sim::kAnyDevice, 0x80008002);
  EXPECT_TRUE(WaitFor([&] { return core.Presses().size() >= 2; }));
  card->SetPins(sim::kAnyDevice, 0);
  core.EndRun();
  EXPECT_TRUE(WaitFor([&] { return core.Finished(); }));
  EXPECT_EQ(core.Presses(), (std::vector<std::string>{"One|Kitchen", "Gr\xFCn|Kitchen"}));
  // Read once Setup has returned: its own saves are done by then.
  const std::string saved = dir.read("SAA713x.ini");
  const size_t at = saved.find("DefaultConfig=" + kitchen);
  ASSERT_NE(at, std::string::npos) << saved;
  const size_t end = at + std::string("DefaultConfig=").size() + kitchen.size();
  EXPECT_TRUE(end == saved.size() || saved[end] == '\r' || saved[end] == '\n') << saved;
}

// A known card out of the box: the remote tool finds the shipped definition by
// the card's IDs and installs it beside the plug-in, the next Setup shows it
// chosen, and the keys reach the core named as the card's keymap names them.
TEST(E2ESetupDialog, AKnownCardInstalledByTheToolIsChosenAndNamesItsKeys) {
  sim::Control* card = sim::control();
  ASSERT_NE(card, nullptr);
  card->Reset();
  sim::PciIds ids;  // AverTV GO 007 FM Plus
  ids.Device = 0x7133, ids.SubVendor = 0x1461, ids.SubDevice = 0xF31D;
  card->SetDevices(&ids, 1);
  card->SetPins(sim::kAnyDevice, 0);

  host::TempDir dir;
  const std::string dll = dir.file("SAA713x.dll");
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "..\\SAA713x.dll").c_str(), dll.c_str(), FALSE));
  const remote::CardsReport installed = remote::RunCards({0, SAA_DEFINITIONS_DIR "/", dll, ""});
  ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
  const std::string ini = dir.file("SAA713x.ini");
  const std::string file = IniValue(ini, "DefaultConfig");
  const std::string name = config::IniFile(dir.file(file)).ReadString("Setup", "Name", "");
  ASSERT_FALSE(name.empty()) << file;

  Core core(dll, 1, /*then_run=*/true);
  HWND dialog = FindDialog(nullptr, core);
  ASSERT_NE(dialog, nullptr) << core.error();
  HWND models = GetDlgItem(dialog, kIdModelCombo);
  EXPECT_EQ(ComboText(models, static_cast<int>(SendMessageA(models, CB_GETCURSEL, 0, 0))), name);
  PostMessageA(GetDlgItem(dialog, kIdOKButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return FindWindowA(kSetupWindowClass, kSetupCaption) == nullptr; }));

  // The board's key-down pin is GPIO 4 and its scancode sits on pins 3 and
  // 6-10, lowest bit first: scancode 0x28 (KEY_1) and 0x3E (KEY_VOLUMEUP).
  auto pins = [](uint32_t scancode) {
    uint32_t level = 0x10;
    for (uint32_t mask = 0x7C8, bit = 1; mask != 0; mask &= mask - 1, bit <<= 1) {
      if (scancode & bit) level |= mask & (0u - mask);
    }
    return level;
  };
  auto seen = [&](const std::string& event) {
    const std::vector<std::string> events = core.Events();
    return std::find(events.begin(), events.end(), event) != events.end();
  };
  card->SetPins(sim::kAnyDevice, pins(0x28));
  EXPECT_TRUE(WaitFor([&] { return seen("0 1|" + name); }));
  card->SetPins(sim::kAnyDevice, 0);
  EXPECT_TRUE(WaitFor([&] { return seen("-1 1|" + name); }));
  card->SetPins(sim::kAnyDevice, pins(0x3E));
  EXPECT_TRUE(WaitFor([&] { return seen("1 Volume +|" + name); }));
  card->SetPins(sim::kAnyDevice, 0);
  EXPECT_TRUE(WaitFor([&] { return seen("-1 Volume +|" + name); }));
  core.EndRun();
  EXPECT_TRUE(WaitFor([&] { return core.Finished(); }));
  // Auto-repeats aside, each key once, pressed and released.
  std::vector<std::string> events = core.Events();
  std::erase_if(events, [](const std::string& event) { return event[0] != '0' && event[0] != '-'; });
  EXPECT_EQ(events, (std::vector<std::string>{"0 1|" + name, "-1 1|" + name, "0 Volume +|" + name,
                                              "-1 Volume +|" + name}));
}

}  // namespace

// The real tool in a console: alone on it, as after a double-click, it runs
// the guided session and waits for Enter; from a command prompt it prints
// the usage. The test types into the console and reads its screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "host/temp_dir.h"

namespace {

const std::string kTool = "..\\remote\\SAA713xRemote.exe";
constexpr DWORD kGuardMs = 30000;  // only against a hang

class Console : public ::testing::Test {
 protected:
  void TearDown() override {
    if (process.hProcess != nullptr) TerminateProcess(process.hProcess, 99);
    for (HANDLE h : {in, out, process.hProcess, process.hThread}) CloseHandle(h);
  }
  // Runs the command in a console that the test makes and leaves before it
  // starts, keeping handles to it: the command is the only process there.
  bool StartAlone(std::string command) {
    // AllocConsole may take over the test's own output; it goes back after.
    const DWORD kinds[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE own[3];
    for (int i = 0; i < 3; ++i) own[i] = GetStdHandle(kinds[i]);
    FreeConsole();
    if (!AllocConsole()) return false;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto open = [&](const char* name) {
      return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         OPEN_EXISTING, 0, nullptr);
    };
    in = open("CONIN$");
    out = open("CONOUT$");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = startup.hStdError = out;
    const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                        nullptr, nullptr, &startup, &process) != 0;
    FreeConsole();
    for (int i = 0; i < 3; ++i) SetStdHandle(kinds[i], own[i]);
    return started && ResumeThread(process.hThread) != static_cast<DWORD>(-1);
  }
  std::string Screen() const {
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(out, &info);
    std::string text(static_cast<size_t>(info.dwSize.X * (info.dwCursorPosition.Y + 1)), ' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterA(out, text.data(), static_cast<DWORD>(text.size()), COORD{0, 0}, &read);
    return text.substr(0, read);
  }
  bool WaitFor(const std::string& shown) const {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kGuardMs; Sleep(20))
      if (Screen().find(shown) != std::string::npos) return true;
    return false;
  }
  // The line and Enter, key by key.
  void Type(const std::string& line) const {
    for (char c : line + "\r") {
      INPUT_RECORD key{};
      key.EventType = KEY_EVENT;
      key.Event.KeyEvent.bKeyDown = TRUE;
      key.Event.KeyEvent.wRepeatCount = 1;
      key.Event.KeyEvent.wVirtualKeyCode = c == '\r' ? VK_RETURN : LOBYTE(VkKeyScanA(c));
      key.Event.KeyEvent.uChar.UnicodeChar = static_cast<unsigned char>(c);
      DWORD written = 0;
      WriteConsoleInputW(in, &key, 1, &written);
    }
  }

  PROCESS_INFORMATION process{};
  HANDLE in = nullptr, out = nullptr;
};

TEST_F(Console, ADoubleClickRunsTheGuidedSessionUntilEnter) {
  host::TempDir plugin;
  plugin.write("SAA713x.dll", "");
  ASSERT_TRUE(StartAlone(kTool)) << GetLastError();
  ASSERT_TRUE(WaitFor("Plug-in:")) << Screen();
  Type("\"" + plugin.path() + "\"");  // as a dropped file's path comes
  ASSERT_TRUE(WaitFor("1  Learn a new remote")) << Screen();
  Type("");
  ASSERT_TRUE(WaitFor("Press Enter to close.")) << Screen();
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_TIMEOUT) << "it waits for Enter";
  Type("");
  EXPECT_EQ(WaitForSingleObject(process.hProcess, kGuardMs), WAIT_OBJECT_0);
}

TEST_F(Console, FromACommandPromptItPrintsTheUsage) {
  ASSERT_TRUE(StartAlone("cmd.exe /k " + kTool)) << GetLastError();
  ASSERT_TRUE(WaitFor("usage: SAA713xRemote check")) << Screen();
  EXPECT_EQ(Screen().find("Press Enter to close"), std::string::npos) << Screen();
}

}  // namespace

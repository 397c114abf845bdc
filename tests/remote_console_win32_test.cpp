// The real tool in a console window: started alone in a new console, as a
// double-click starts it, it runs the guided session and waits for Enter;
// started from a command prompt, it prints the usage. The test types into
// the console and reads its screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace {

const char kTool[] = "..\\tools\\remote\\SAA713xRemote.exe";
constexpr DWORD kGuardMs = 30000;  // only against a hang

struct Started {
  PROCESS_INFORMATION info{};
  bool ok = false;
  ~Started() {
    if (!ok) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
};

HANDLE OpenConsoleFile(const char* name, BOOL inherit) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, inherit};
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                     OPEN_EXISTING, 0, nullptr);
}

// A console's input and screen, for typing and reading.
class Console {
 public:
  Console() = default;
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  ~Console() {
    if (in_ != INVALID_HANDLE_VALUE) CloseHandle(in_);
    if (out_ != INVALID_HANDLE_VALUE) CloseHandle(out_);
    FreeConsole();
  }

  // A double-click: a console of the test's making, on which the program is
  // the only process when it starts; the test lets go of it first and keeps
  // only its handles.
  bool StartAlone(std::string command, Started& started) {
    FreeConsole();
    if (!AllocConsole()) return false;
    in_ = OpenConsoleFile("CONIN$", TRUE);
    out_ = OpenConsoleFile("CONOUT$", TRUE);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in_;
    startup.hStdOutput = startup.hStdError = out_;
    started.ok = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                                nullptr, &startup, &started.info) != 0;
    FreeConsole();
    return started.ok && ResumeThread(started.info.hThread) != static_cast<DWORD>(-1);
  }

  // A command prompt in a new console, with the test attached to it.
  bool StartPrompt(std::string command, Started& started) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    command = "cmd.exe /k " + command;
    started.ok = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                                nullptr, &startup, &started.info) != 0;
    if (!started.ok) return false;
    FreeConsole();
    bool attached = false;  // the new process may not have its console yet
    for (DWORD start = GetTickCount(); !attached && GetTickCount() - start < kGuardMs; Sleep(20))
      attached = AttachConsole(started.info.dwProcessId) != 0;
    if (!attached) return false;
    in_ = OpenConsoleFile("CONIN$", FALSE);
    out_ = OpenConsoleFile("CONOUT$", FALSE);
    return in_ != INVALID_HANDLE_VALUE && out_ != INVALID_HANDLE_VALUE;
  }

  // The screen's text, one line per row without trailing blanks.
  std::string Screen() const {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out_, &info)) return {};
    std::string text;
    std::wstring row(static_cast<size_t>(info.dwSize.X), L' ');
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
      DWORD read = 0;
      ReadConsoleOutputCharacterW(out_, row.data(), static_cast<DWORD>(row.size()), COORD{0, y}, &read);
      std::string line;
      for (DWORD i = 0; i < read; ++i) line += row[i] < 128 ? static_cast<char>(row[i]) : '?';
      line.erase(line.find_last_not_of(' ') + 1);
      text += line + "\n";
    }
    return text;
  }

  bool WaitFor(const std::string& shown) const {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kGuardMs; Sleep(20))
      if (Screen().find(shown) != std::string::npos) return true;
    return false;
  }

  // Types the line and Enter.
  void Type(const std::string& line) const {
    for (char c : line + "\r") {
      INPUT_RECORD keys[2]{};
      for (int i = 0; i < 2; ++i) {
        keys[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& key = keys[i].Event.KeyEvent;
        key.bKeyDown = i == 0;
        key.wRepeatCount = 1;
        key.uChar.UnicodeChar = static_cast<unsigned char>(c);
        key.wVirtualKeyCode = c == '\r' ? VK_RETURN : LOBYTE(VkKeyScanA(c));
      }
      DWORD written = 0;
      WriteConsoleInputW(in_, keys, 2, &written);
    }
  }

 private:
  HANDLE in_ = INVALID_HANDLE_VALUE, out_ = INVALID_HANDLE_VALUE;
};

TEST(RemoteConsole, ADoubleClickRunsTheGuidedSessionUntilEnter) {
  TempDir plugin;
  plugin.write("SAA713x.dll", "");
  Started tool;
  Console console;
  ASSERT_TRUE(console.StartAlone(kTool, tool)) << GetLastError();
  ASSERT_TRUE(console.WaitFor("Plug-in:")) << console.Screen();
  console.Type("\"" + plugin.path() + "\"");
  ASSERT_TRUE(console.WaitFor("Your choice:")) << console.Screen();
  EXPECT_NE(console.Screen().find("1  Learn a new remote"), std::string::npos) << console.Screen();
  console.Type("");
  ASSERT_TRUE(console.WaitFor("Press Enter to close.")) << console.Screen();
  EXPECT_EQ(WaitForSingleObject(tool.info.hProcess, 0), WAIT_TIMEOUT) << "it waits for Enter";
  console.Type("");
  ASSERT_EQ(WaitForSingleObject(tool.info.hProcess, kGuardMs), WAIT_OBJECT_0);
  DWORD status = 99;
  GetExitCodeProcess(tool.info.hProcess, &status);
  EXPECT_EQ(status, 0u);
}

TEST(RemoteConsole, FromACommandPromptItPrintsTheUsage) {
  Started prompt;
  Console console;
  ASSERT_TRUE(console.StartPrompt(kTool, prompt)) << GetLastError();
  ASSERT_TRUE(console.WaitFor("usage: SAA713xRemote check")) << console.Screen();
  EXPECT_EQ(console.Screen().find("Press Enter to close"), std::string::npos) << console.Screen();
}

}  // namespace

#include "platform/console.h"

#include <windows.h>

#include <atomic>

#include "platform/console_lines.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

std::atomic<bool> Interrupted{false};
// The console input a typed read waits on, null between reads.
std::atomic<HANDLE> Reading{nullptr};
// Handlers between seeing a read and having ended it.
std::atomic<int> Ending{0};

// Some consoles (Wine's) let Ctrl+C pass a pending ReadConsoleW by, so the
// handler ends the read itself with an Enter in the console's input.
void EndRead(HANDLE input) {
  INPUT_RECORD enter[2] = {};
  for (int i = 0; i < 2; ++i) {
    enter[i].EventType = KEY_EVENT;
    KEY_EVENT_RECORD& key = enter[i].Event.KeyEvent;
    key.bKeyDown = i == 0;
    key.wRepeatCount = 1;
    key.wVirtualKeyCode = VK_RETURN;
    key.wVirtualScanCode = 0x1C;  // Enter's scan code
    key.uChar.UnicodeChar = L'\r';
  }
  DWORD written = 0;
  WriteConsoleInputW(input, enter, 2, &written);
}

// Runs on a thread of its own that the system starts for the event. The flag
// and the read are seen in one order by both sides (seq_cst): either this
// handler sees the read and ends it, or the reader sees the flag and does not
// start it.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  Interrupted.store(true, std::memory_order_seq_cst);
  Ending.fetch_add(1, std::memory_order_seq_cst);
  if (const HANDLE input = Reading.load(std::memory_order_seq_cst)) EndRead(input);
  Ending.fetch_sub(1, std::memory_order_seq_cst);
  return TRUE;
}

// A typed read that Ctrl+C may break off: false when it did (or had).
bool ReadTyped(HANDLE input, char16_t* buffer, size_t size, size_t& got) {
  DWORD read = 0;
  Reading.store(input, std::memory_order_seq_cst);
  const bool ok = !Interrupted.load(std::memory_order_seq_cst) &&
                  ReadConsoleW(input, buffer, static_cast<DWORD>(size), &read, nullptr);
  Reading.store(nullptr, std::memory_order_seq_cst);
  got = ok ? read : 0;
  if (!Interrupted.load(std::memory_order_seq_cst)) return true;
  // Where the console had ended the read itself, the handler's Enter is
  // still waiting; it must not reach whatever reads the console next.
  while (Ending.load(std::memory_order_seq_cst) != 0) Sleep(1);
  FlushConsoleInputBuffer(input);
  return false;
}

bool is_console(HANDLE handle) {
  DWORD mode;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool write_bytes(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = bytes.size() > 0x10000 ? 0x10000 : static_cast<DWORD>(bytes.size());
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

detail::LineSplitter<char> FileInput;
detail::LineSplitter<char16_t> TypedInput;

}  // namespace

void catch_interrupt() {
  Interrupted.store(false, std::memory_order_relaxed);
  SetConsoleCtrlHandler(&OnControl, TRUE);
}

void release_interrupt() { SetConsoleCtrlHandler(&OnControl, FALSE); }

bool interrupted() { return Interrupted.load(std::memory_order_relaxed); }

bool input_is_terminal() { return is_console(GetStdHandle(STD_INPUT_HANDLE)); }

bool console_of_its_own() {
  if (!is_console(GetStdHandle(STD_INPUT_HANDLE)) || !is_console(GetStdHandle(STD_OUTPUT_HANDLE)))
    return false;
  // A command prompt shares its console with what it starts; Explorer makes
  // a new one. Too small a list still gives the count.
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

bool console_write(ConsoleStream stream, std::string_view text) {
  const HANDLE handle = GetStdHandle(stream == ConsoleStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  if (is_console(handle)) {
    std::u16string wide = utf16_from_ansi(text);
    std::u16string_view rest = wide;
    while (!rest.empty()) {
      DWORD written = 0;
      const DWORD chunk = rest.size() > 0x4000 ? 0x4000 : static_cast<DWORD>(rest.size());
      if (!WriteConsoleW(handle, rest.data(), chunk, &written, nullptr) || written == 0) return false;
      rest.remove_prefix(written);
    }
    return wide.size() > 0 || text.empty();
  }
  // A file or a pipe: the bytes, each "\n" as "\r\n".
  for (size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
    if (!write_bytes(handle, text.substr(0, end)) || !write_bytes(handle, "\r\n")) return false;
  }
  return write_bytes(handle, text);
}

ConsoleRead console_read_line(std::string& line) {
  line.clear();
  const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ConsoleRead::End;
  if (!is_console(handle)) {
    const bool got = FileInput.Next(line, [&](char* buffer, size_t size) -> size_t {
      DWORD read = 0;
      return ReadFile(handle, buffer, static_cast<DWORD>(size), &read, nullptr) ? read : 0;
    });
    return got ? ConsoleRead::Line : ConsoleRead::End;
  }
  std::u16string typed;
  bool broken_off = false;
  const bool got = TypedInput.Next(typed, [&](char16_t* buffer, size_t size) -> size_t {
    size_t read = 0;
    broken_off = !ReadTyped(handle, buffer, size, read);
    return broken_off ? 0 : read;
  });
  if (broken_off) return ConsoleRead::End;
  if (!got || (!typed.empty() && typed[0] == u'\x1A')) return ConsoleRead::End;  // Ctrl+Z: the end
  if (!typed.empty() && typed.back() == u'\r') typed.pop_back();
  return ansi_from_utf16_exact(typed, line) ? ConsoleRead::Line : (line.clear(), ConsoleRead::NotAnsi);
}

}  // namespace plat

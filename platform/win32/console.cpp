#include "platform/console.h"

#include <windows.h>

#include <atomic>

#include "platform/console_lines.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

std::atomic<bool> Interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  Interrupted.store(true, std::memory_order_relaxed);
  return TRUE;
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

void request_interrupt() { Interrupted.store(true, std::memory_order_relaxed); }

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
  const bool got = TypedInput.Next(typed, [&](char16_t* buffer, size_t size) -> size_t {
    DWORD read = 0;  // Ctrl+C ends the read with nothing read
    return ReadConsoleW(handle, buffer, static_cast<DWORD>(size), &read, nullptr) ? read : 0;
  });
  if (!got || (!typed.empty() && typed[0] == u'\x1A')) return ConsoleRead::End;  // Ctrl+Z: the end
  if (!typed.empty() && typed.back() == u'\r') typed.pop_back();
  return ansi_from_utf16_exact(typed, line) ? ConsoleRead::Line : (line.clear(), ConsoleRead::NotAnsi);
}

}  // namespace plat

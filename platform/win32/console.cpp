#include "platform/console.h"

#include <windows.h>

#include <atomic>

namespace plat {
namespace {

std::atomic<bool> Interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  Interrupted.store(true, std::memory_order_relaxed);
  return TRUE;
}

}  // namespace

void catch_interrupt() {
  Interrupted.store(false, std::memory_order_relaxed);
  SetConsoleCtrlHandler(&OnControl, TRUE);
}

void release_interrupt() { SetConsoleCtrlHandler(&OnControl, FALSE); }

bool interrupted() { return Interrupted.load(std::memory_order_relaxed); }

void request_interrupt() { Interrupted.store(true, std::memory_order_relaxed); }

bool input_is_terminal() { return GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_CHAR; }

}  // namespace plat

// Threads, events, waits and the tick count on Win32.
#include "platform/sync.h"

#include "platform/inject.h"

#include <windows.h>

#include <new>

namespace plat {
namespace {

struct ThreadStart {
  ThreadProc proc;
  void* arg;
  HMODULE module;
};

// The thread holds a reference on the module that contains this code and
// drops it only in FreeLibraryAndExitThread, so the DLL cannot be unloaded
// while the thread still runs any of its code.
DWORD WINAPI thread_trampoline(void* param) {
  ThreadStart start = *static_cast<ThreadStart*>(param);
  delete static_cast<ThreadStart*>(param);
  unsigned result = 0;
  try {
    result = start.proc(start.arg);
  } catch (...) {
    result = static_cast<unsigned>(-1);
  }
  FreeLibraryAndExitThread(start.module, result);
}

}  // namespace

Handle create_event() {
  if (inject::take_failure(inject::Kind::Event)) return nullptr;
  return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

bool set_event(Handle event) { return SetEvent(event) != 0; }

bool reset_event(Handle event) { return ResetEvent(event) != 0; }

Handle create_thread(ThreadProc proc, void* arg) {
  if (!proc || inject::take_failure(inject::Kind::Thread)) return nullptr;
  HMODULE module = nullptr;
  // Taken by the creator, so the module is held before the thread can run.
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCSTR>(&thread_trampoline), &module)) {
    return nullptr;
  }
  auto* start = new (std::nothrow) ThreadStart{proc, arg, module};
  if (!start) {
    FreeLibrary(module);
    return nullptr;
  }
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, thread_trampoline, start, 0, &id);
  if (!thread) {
    delete start;
    FreeLibrary(module);
  }
  return thread;
}

WaitResult wait(Handle object, uint32_t ms) {
  switch (WaitForSingleObject(object, ms)) {
    case WAIT_OBJECT_0: return WaitResult::Signaled;
    case WAIT_TIMEOUT: return WaitResult::Timeout;
    default: return WaitResult::Failed;
  }
}

void close_handle(Handle object) {
  if (object) CloseHandle(object);
}

void sleep_ms(uint32_t ms) { Sleep(ms); }

uint32_t tick_count() { return GetTickCount(); }

uint32_t current_thread_id() { return GetCurrentThreadId(); }

}  // namespace plat

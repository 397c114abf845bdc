// Events, threads and waits on the C++ standard library, with the Win32
// semantics the plug-in expects.
#include "platform/sync.h"

#include "platform/inject.h"

#include <chrono>
#include <new>
#include <system_error>
#include <thread>

#include "platform/posix/waitable.h"

namespace plat {
namespace posix {

void retain(Waitable* object) { object->references.fetch_add(1, std::memory_order_relaxed); }

void release(Waitable* object) {
  // acq_rel: the last owner must see every other owner's writes before deleting.
  if (object->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete object;
}

bool is_signalled(Waitable* object) {
  std::lock_guard lock(object->mutex);
  return object->signalled;
}

void add_waker(Waitable* object, Waker* waker) {
  std::lock_guard lock(object->mutex);
  object->wakers.push_back(waker);
}

void remove_waker(Waitable* object, Waker* waker) {
  std::lock_guard lock(object->mutex);
  std::erase(object->wakers, waker);
}

namespace {

struct Thread final : Waitable {
  ThreadProc proc = nullptr;
  void* arg = nullptr;
};

void signal(Waitable* object) {
  std::lock_guard lock(object->mutex);
  object->signalled = true;
  object->changed.notify_all();
  // Under the object's lock, so that a waker cannot unregister and vanish meanwhile.
  for (Waker* waker : object->wakers) waker->wake();
}

std::atomic<uint32_t> g_next_thread_id{1};

void run_thread(Thread* thread) {
  thread->proc(thread->arg);
  end_thread_messages();
  signal(thread);
  release(thread);
}

}  // namespace
}  // namespace posix

using posix::as_waitable;

Handle create_event() {
  if (inject::take_failure(inject::Kind::Event)) return nullptr;
  return new (std::nothrow) posix::Waitable;
}

bool set_event(Handle event) {
  if (!event) return false;
  posix::signal(as_waitable(event));
  return true;
}

bool reset_event(Handle event) {
  if (!event) return false;
  posix::Waitable* object = as_waitable(event);
  std::lock_guard lock(object->mutex);
  object->signalled = false;
  return true;
}

Handle create_thread(ThreadProc proc, void* arg) {
  if (!proc || inject::take_failure(inject::Kind::Thread)) return nullptr;
  auto* thread = new (std::nothrow) posix::Thread;
  if (!thread) return nullptr;
  thread->proc = proc;
  thread->arg = arg;
  thread->references.store(2, std::memory_order_relaxed);  // the handle and the thread
  try {
    std::thread(posix::run_thread, thread).detach();
  } catch (const std::system_error&) {
    delete thread;
    return nullptr;
  }
  return thread;
}

WaitResult wait(Handle handle, uint32_t ms) {
  if (!handle) return WaitResult::Failed;
  posix::Waitable* object = as_waitable(handle);
  // As on Windows, a handle closed by another thread meanwhile does not end the wait.
  posix::retain(object);
  WaitResult result = WaitResult::Signaled;
  {
    std::unique_lock lock(object->mutex);
    auto signalled = [object] { return object->signalled; };
    if (ms == kInfinite) {
      object->changed.wait(lock, signalled);
    } else {
      auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
      if (!object->changed.wait_until(lock, deadline, signalled)) result = WaitResult::Timeout;
    }
  }
  posix::release(object);
  return result;
}

void close_handle(Handle handle) {
  if (handle) posix::release(as_waitable(handle));
}

void sleep_ms(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

uint32_t tick_count() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

uint32_t current_thread_id() {
  thread_local uint32_t id = posix::g_next_thread_id.fetch_add(1, std::memory_order_relaxed);
  return id;
}

}  // namespace plat

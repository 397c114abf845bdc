// A substitute for Win32 windows and message queues. Each thread has one
// message state; a window is dispatched only on the thread that created it.
// One lock guards every window and queue: traffic is tiny and a single lock
// leaves no lock order to get wrong (object locks come before it, never after).
#include "platform/window.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/posix/waitable.h"
#include "platform/sync.h"

namespace plat {
namespace {

struct ThreadState;

// A message sent from another thread. It lives on the sender's stack; the
// sender waits until done, so it stays valid while it is queued.
struct SentItem {
  WindowHandle window = nullptr;
  uint32_t msg = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  intptr_t result = 0;
  bool done = false;
  ThreadState* sender = nullptr;
  SentItem* next = nullptr;
};

// Sent messages in arrival order, linked through the items themselves, so a
// send allocates nothing.
class SentQueue {
 public:
  bool empty() const { return head_ == nullptr; }
  void push_back(SentItem* item) {
    item->next = nullptr;
    (tail_ ? tail_->next : head_) = item;
    tail_ = item;
  }
  SentItem* pop_front() {
    SentItem* item = head_;
    head_ = item->next;
    if (head_ == nullptr) tail_ = nullptr;
    return item;
  }
  // Unlinks every item for which drop returns true.
  template <typename Pred>
  void remove_if(Pred drop) {
    SentItem* kept = nullptr;
    for (SentItem* item = head_; item != nullptr;) {
      SentItem* next = item->next;
      if (drop(item)) {
        (kept ? kept->next : head_) = next;
      } else {
        kept = item;
      }
      item = next;
    }
    tail_ = kept;
  }

 private:
  SentItem* head_ = nullptr;
  SentItem* tail_ = nullptr;
};

struct ThreadState final : posix::Waker {
  uint32_t id = 0;
  std::condition_variable changed;  // news for this thread: a message, a reply, a wake
  SentQueue sent;
  std::deque<Message> posted;
  uint64_t wakes = 0;  // counts signals of the objects this thread waits on

  void wake() override;
};

struct Window {
  WindowProc proc = nullptr;
  void* context = nullptr;
  ThreadState* owner = nullptr;
};

struct Shared {
  std::mutex lock;
  std::unordered_set<Window*> windows;
};

// Never destroyed: threads may end after static destructors have run.
Shared& shared() {
  static Shared& instance = *new Shared;
  return instance;
}

void ThreadState::wake() {
  std::lock_guard lock(shared().lock);
  ++wakes;
  changed.notify_all();
}

void end_state(ThreadState& state);

struct StateHolder {
  std::unique_ptr<ThreadState> state;
  ~StateHolder() {
    if (state) end_state(*state);
  }
};

thread_local StateHolder t_holder;
thread_local bool t_in_send = false;

ThreadState& self() {
  if (!t_holder.state) {
    t_holder.state = std::make_unique<ThreadState>();
    t_holder.state->id = current_thread_id();
  }
  return *t_holder.state;
}

Window* find(WindowHandle handle) {
  auto& windows = shared().windows;
  auto it = windows.find(static_cast<Window*>(handle));
  return it == windows.end() ? nullptr : *it;
}

// Caller holds the lock.
void complete(SentItem* item, intptr_t result) {
  item->result = result;
  item->done = true;
  item->sender->changed.notify_all();
}

// How a procedure is reached, which decides what in_send_message says in it:
// a message from another thread sets it, a posted one clears it, and a direct
// send on the owning thread leaves it as the caller had it (as Windows does).
enum class Via { OtherThread, Posted, SameThread };

intptr_t call(WindowProc proc, void* context, WindowHandle window, uint32_t msg, uintptr_t wparam,
              intptr_t lparam, Via via) {
  bool outer = t_in_send;
  if (via != Via::SameThread) t_in_send = via == Via::OtherThread;
  intptr_t result = proc(context, window, msg, wparam, lparam);
  t_in_send = outer;
  return result;
}

// Runs every message sent to this thread; the lock is released around each
// procedure. Returns how many ran.
int dispatch_sent(ThreadState& me, std::unique_lock<std::mutex>& lock) {
  int count = 0;
  while (!me.sent.empty()) {
    SentItem* item = me.sent.pop_front();
    Window* window = find(item->window);
    if (!window) {
      complete(item, 0);
      continue;
    }
    WindowProc proc = window->proc;
    void* context = window->context;
    lock.unlock();
    intptr_t result =
        call(proc, context, item->window, item->msg, item->wparam, item->lparam, Via::OtherThread);
    lock.lock();
    complete(item, result);
    ++count;
  }
  return count;
}

// Drops what is queued for a window that goes away; senders get 0.
void purge(ThreadState& owner, Window* window) {
  std::erase_if(owner.posted, [window](const Message& m) { return m.window == window; });
  owner.sent.remove_if([window](SentItem* item) {
    if (item->window != window) return false;
    complete(item, 0);
    return true;
  });
}

void end_state(ThreadState& state) {
  std::unordered_set<Window*> gone;
  {
    std::lock_guard lock(shared().lock);
    auto& windows = shared().windows;
    for (auto it = windows.begin(); it != windows.end();) {
      if ((*it)->owner == &state) {
        gone.insert(*it);
        it = windows.erase(it);
      } else {
        ++it;
      }
    }
    state.sent.remove_if([](SentItem* item) {
      complete(item, 0);
      return true;
    });
    state.posted.clear();
  }
  for (Window* window : gone) delete window;
}

using Clock = std::chrono::steady_clock;

Clock::time_point deadline_after(uint32_t ms) { return Clock::now() + std::chrono::milliseconds(ms); }

}  // namespace

namespace posix {

void end_thread_messages() {
  if (t_holder.state) end_state(*t_holder.state);
}

}  // namespace posix

WindowHandle create_message_window(WindowProc proc, void* context) {
  if (!proc) return nullptr;
  ThreadState& me = self();
  auto* window = new (std::nothrow) Window{proc, context, &me};
  if (!window) return nullptr;
  std::lock_guard lock(shared().lock);
  shared().windows.insert(window);
  return window;
}

void destroy_window(WindowHandle handle) {
  ThreadState& me = self();
  Window* window;
  {
    std::lock_guard lock(shared().lock);
    window = find(handle);
    if (!window || window->owner != &me) return;  // only the owner may destroy it
    shared().windows.erase(window);
    purge(me, window);
  }
  delete window;
}

bool is_window(WindowHandle handle) {
  std::lock_guard lock(shared().lock);
  return find(handle) != nullptr;
}

uint32_t window_thread(WindowHandle handle) {
  std::lock_guard lock(shared().lock);
  Window* window = find(handle);
  return window ? window->owner->id : 0;
}

intptr_t send_message(WindowHandle handle, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  ThreadState& me = self();
  std::unique_lock lock(shared().lock);
  Window* window = find(handle);
  if (!window) return 0;
  if (window->owner == &me) {
    WindowProc proc = window->proc;
    void* context = window->context;
    lock.unlock();
    return call(proc, context, handle, msg, wparam, lparam, Via::SameThread);
  }
  SentItem item;
  item.window = handle;
  item.msg = msg;
  item.wparam = wparam;
  item.lparam = lparam;
  item.sender = &me;
  window->owner->sent.push_back(&item);
  window->owner->changed.notify_all();
  // Serve messages sent to this thread meanwhile, so that two threads
  // sending to each other do not block each other.
  while (!item.done) {
    if (dispatch_sent(me, lock) == 0 && !item.done) me.changed.wait(lock);
  }
  return item.result;
}

bool post_message(WindowHandle handle, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  std::lock_guard lock(shared().lock);
  Window* window = find(handle);
  if (!window) return false;
  window->owner->posted.push_back(Message{handle, msg, wparam, lparam});
  window->owner->changed.notify_all();
  return true;
}

bool peek_message(Message& out) {
  ThreadState& me = self();
  std::unique_lock lock(shared().lock);
  dispatch_sent(me, lock);
  if (me.posted.empty()) return false;
  out = me.posted.front();
  me.posted.pop_front();
  return true;
}

intptr_t dispatch_message(const Message& message) {
  ThreadState& me = self();
  std::unique_lock lock(shared().lock);
  Window* window = find(message.window);
  if (!window || window->owner != &me) return 0;
  WindowProc proc = window->proc;
  void* context = window->context;
  lock.unlock();
  return call(proc, context, message.window, message.msg, message.wparam, message.lparam, Via::Posted);
}

WaitResult wait_for_message(uint32_t ms) {
  ThreadState& me = self();
  auto deadline = deadline_after(ms);
  std::unique_lock lock(shared().lock);
  auto waiting = [&me] { return !me.sent.empty() || !me.posted.empty(); };
  for (;;) {
    if (dispatch_sent(me, lock) > 0 || !me.posted.empty()) return WaitResult::Signaled;
    if (ms == kInfinite) {
      me.changed.wait(lock, waiting);
    } else if (!me.changed.wait_until(lock, deadline, waiting)) {
      return WaitResult::Timeout;
    }
  }
}

WaitResult wait_pumping(Handle handle, uint32_t ms) {
  if (!handle) return WaitResult::Failed;
  ThreadState& me = self();
  posix::Waitable* object = posix::as_waitable(handle);
  posix::retain(object);
  posix::add_waker(object, &me);
  auto deadline = deadline_after(ms);
  WaitResult result = WaitResult::Timeout;
  for (;;) {
    std::unique_lock lock(shared().lock);
    // Read before looking at the object: a signal after the look moves it on.
    uint64_t seen = me.wakes;
    lock.unlock();
    if (posix::is_signalled(object)) {
      result = WaitResult::Signaled;
      break;
    }
    lock.lock();
    dispatch_sent(me, lock);
    auto news = [&me, seen] { return me.wakes != seen || !me.sent.empty(); };
    if (ms == kInfinite) {
      me.changed.wait(lock, news);
    } else if (Clock::now() >= deadline || !me.changed.wait_until(lock, deadline, news)) {
      lock.unlock();
      if (posix::is_signalled(object)) result = WaitResult::Signaled;
      break;
    }
  }
  posix::remove_waker(object, &me);
  posix::release(object);
  return result;
}

bool in_send_message() { return t_in_send; }

}  // namespace plat

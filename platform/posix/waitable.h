// Internals shared by the POSIX backend's files: the object behind a Handle
// and the hook that ends a thread's message state.
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/types.h"

namespace plat::posix {

// Someone to notify, besides the object's own waiters, when it becomes
// signalled: a thread waiting on its messages and the object at once.
struct Waker {
  virtual void wake() = 0;

 protected:
  ~Waker() = default;
};

// An event or a thread. The handle holds one reference; a running thread holds
// another, so closing its handle early is harmless.
struct Waitable {
  std::mutex mutex;
  std::condition_variable changed;
  bool signalled = false;      // guarded by mutex
  std::vector<Waker*> wakers;  // guarded by mutex
  std::atomic<int> references{1};

  virtual ~Waitable() = default;
};

inline Waitable* as_waitable(Handle handle) { return static_cast<Waitable*>(handle); }
void retain(Waitable* object);
void release(Waitable* object);

bool is_signalled(Waitable* object);
void add_waker(Waitable* object, Waker* waker);
void remove_waker(Waitable* object, Waker* waker);

// Destroys the calling thread's windows and answers the messages still queued
// for them with 0. Runs before a thread's handle becomes signalled.
void end_thread_messages();

}  // namespace plat::posix

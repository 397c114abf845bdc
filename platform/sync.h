// Threads, manual-reset events, waits, sleep and the millisecond tick count.
// The same semantics as the Win32 calls the plug-in relies on.
#pragma once
#include "platform/types.h"

namespace plat {

// Manual-reset event, initially not signalled, no name. Null on failure.
Handle create_event();
bool set_event(Handle event);
bool reset_event(Handle event);

// Starts a thread at once with the default stack size. Null on failure.
// The handle becomes signalled when the thread has ended.
using ThreadProc = unsigned (*)(void* arg);
Handle create_thread(ThreadProc proc, void* arg);

// Waits for an event or a thread. ms may be kInfinite.
WaitResult wait(Handle object, uint32_t ms);

// Closes an event or a thread handle. Closing a running thread's handle does
// not stop the thread. Null is ignored.
void close_handle(Handle object);

void sleep_ms(uint32_t ms);

// Milliseconds since some fixed start, 32 bits, wrapping.
uint32_t tick_count();

// Identifier of the calling thread, comparable with window_thread().
uint32_t current_thread_id();

// Test hooks: let `skip` creations of that kind through, then make the
// next `count` fail. A count of 0 clears the plan.
void inject_thread_create_failures(int count, int skip = 0);
void inject_event_create_failures(int count, int skip = 0);

}  // namespace plat

// Message windows with the Win32 rules the plug-in relies on: ownership by
// thread, sent messages served only while the owner pumps, posted ones queued.
// Every wait has a generous guard so that a regression fails instead of hanging.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/sync.h"
#include "platform/window.h"

namespace {

constexpr uint32_t kGuardMs = 10000;
constexpr uint32_t kMsgPing = plat::kWmUser + 1;
constexpr uint32_t kMsgPong = plat::kWmUser + 2;

// Counts what a window receives; the procedure answers wparam + 1.
struct Recorder {
  std::atomic<int> calls{0};
  std::atomic<uint32_t> last_msg{0};
  std::atomic<uint32_t> last_thread{0};
  std::atomic<bool> last_in_send{false};
  std::atomic<bool> owner_pumping{false};  // set by the owner before it pumps
  std::atomic<bool> ran_before_pump{false};
  // On kMsgPing, send kMsgPong here first and add its answer.
  std::atomic<plat::WindowHandle> relay{nullptr};
  // On kMsgPong, destroy this window (the recorder's own).
  std::atomic<bool> destroy_on_pong{false};
};

intptr_t record(void* context, plat::WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  auto* r = static_cast<Recorder*>(context);
  r->last_msg.store(msg);
  r->last_thread.store(plat::current_thread_id());
  r->last_in_send.store(plat::in_send_message());
  if (!r->owner_pumping.load()) r->ran_before_pump.store(true);
  intptr_t extra = 0;
  if (msg == kMsgPing && r->relay.load()) extra = plat::send_message(r->relay.load(), kMsgPong, 0, 0);
  if (msg == kMsgPong && r->destroy_on_pong.load()) plat::destroy_window(window);
  r->calls.fetch_add(1);
  return static_cast<intptr_t>(wparam) + 1 + extra;
}

// A thread that sends one message and reports its answer.
struct Sender {
  plat::WindowHandle target = nullptr;
  uint32_t msg = kMsgPing;
  uintptr_t wparam = 0;
  plat::Handle about_to_send = plat::create_event();
  std::atomic<intptr_t> result{-1};
  ~Sender() { plat::close_handle(about_to_send); }
};

unsigned send_one(void* arg) {
  auto* s = static_cast<Sender*>(arg);
  plat::set_event(s->about_to_send);
  s->result.store(plat::send_message(s->target, s->msg, s->wparam, 0));
  return 0;
}

unsigned post_one(void* arg) {
  auto* s = static_cast<Sender*>(arg);
  s->result.store(plat::post_message(s->target, s->msg, s->wparam, 0) ? 1 : 0);
  return 0;
}

// Pumps until the thread ends, as a message loop would.
bool pump_until_ended(plat::Handle thread) {
  uint32_t start = plat::tick_count();
  while (plat::wait(thread, 0) != plat::WaitResult::Signaled) {
    if (plat::tick_count() - start > kGuardMs) return false;
    plat::Message m;
    if (plat::wait_for_message(10) == plat::WaitResult::Signaled && plat::peek_message(m))
      plat::dispatch_message(m);
  }
  return true;
}

TEST(PlatformWindow, SendOnTheOwningThreadCallsTheProcedureDirectly) {
  Recorder r;
  plat::WindowHandle w = plat::create_message_window(record, &r);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(plat::is_window(w));
  EXPECT_EQ(plat::window_thread(w), plat::current_thread_id());

  EXPECT_EQ(plat::send_message(w, kMsgPing, 41, 0), 42);
  EXPECT_EQ(r.calls.load(), 1);
  EXPECT_EQ(r.last_thread.load(), plat::current_thread_id());
  EXPECT_FALSE(r.last_in_send.load());
  EXPECT_FALSE(plat::in_send_message());

  plat::destroy_window(w);
  EXPECT_FALSE(plat::is_window(w));
  EXPECT_EQ(plat::window_thread(w), 0u);
  EXPECT_EQ(plat::send_message(w, kMsgPing, 1, 0), 0);
  EXPECT_FALSE(plat::post_message(w, kMsgPing, 1, 0));
  EXPECT_EQ(r.calls.load(), 1);
}

TEST(PlatformWindow, BogusHandlesAreNoWindows) {
  int not_a_window = 0;
  for (plat::WindowHandle w :
       {static_cast<plat::WindowHandle>(nullptr), static_cast<plat::WindowHandle>(&not_a_window)}) {
    EXPECT_FALSE(plat::is_window(w));
    EXPECT_EQ(plat::window_thread(w), 0u);
    EXPECT_EQ(plat::send_message(w, kMsgPing, 1, 0), 0);
    EXPECT_FALSE(plat::post_message(w, kMsgPing, 1, 0));
    EXPECT_EQ(plat::dispatch_message(plat::Message{w, kMsgPing, 1, 0}), 0);
  }
  EXPECT_EQ(plat::create_message_window(nullptr, nullptr), nullptr);
}

TEST(PlatformWindow, CrossThreadSendWaitsUntilTheOwnerPumps) {
  Recorder r;
  plat::WindowHandle w = plat::create_message_window(record, &r);
  Sender s;
  s.target = w;
  s.wparam = 6;
  plat::Handle worker = plat::create_thread(send_one, &s);
  ASSERT_NE(worker, nullptr);
  ASSERT_EQ(plat::wait(s.about_to_send, kGuardMs), plat::WaitResult::Signaled);
  // Not pumping: a plain wait cannot let the send through.
  EXPECT_EQ(plat::wait(worker, 50), plat::WaitResult::Timeout);
  EXPECT_EQ(r.calls.load(), 0);

  r.owner_pumping.store(true);
  // The sent message wakes the wait and is dispatched on the way.
  ASSERT_EQ(plat::wait_for_message(kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(r.calls.load(), 1);
  ASSERT_EQ(plat::wait(worker, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(s.result.load(), 7);
  EXPECT_FALSE(r.ran_before_pump.load());
  EXPECT_EQ(r.last_thread.load(), plat::current_thread_id());
  EXPECT_TRUE(r.last_in_send.load());
  EXPECT_FALSE(plat::in_send_message());
  // Sent messages never reach the posted queue.
  plat::Message m;
  EXPECT_FALSE(plat::peek_message(m));
  plat::close_handle(worker);
  plat::destroy_window(w);
}

TEST(PlatformWindow, WaitPumpingLetsASenderFinishButLeavesPostsQueued) {
  // A worker sends to the main thread's window and ends; the main thread waits
  // for it with wait_pumping. A plain wait here would deadlock.
  Recorder r;
  r.owner_pumping.store(true);
  plat::WindowHandle w = plat::create_message_window(record, &r);
  ASSERT_TRUE(plat::post_message(w, kMsgPong, 100, 5));

  Sender s;
  s.target = w;
  s.wparam = 9;
  plat::Handle worker = plat::create_thread(send_one, &s);
  ASSERT_NE(worker, nullptr);
  ASSERT_EQ(plat::wait_pumping(worker, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(s.result.load(), 10);
  EXPECT_EQ(r.calls.load(), 1);
  EXPECT_EQ(r.last_msg.load(), kMsgPing);
  EXPECT_TRUE(r.last_in_send.load());

  // The post waited all along; it comes out of the queue as it went in.
  plat::Message m;
  ASSERT_TRUE(plat::peek_message(m));
  EXPECT_EQ(m.window, w);
  EXPECT_EQ(m.msg, kMsgPong);
  EXPECT_EQ(m.wparam, 100u);
  EXPECT_EQ(m.lparam, 5);
  EXPECT_EQ(plat::dispatch_message(m), 101);
  EXPECT_FALSE(r.last_in_send.load());
  EXPECT_EQ(r.calls.load(), 2);
  EXPECT_FALSE(plat::peek_message(m));

  // A signalled object returns at once; a silent one times out, posts untouched.
  EXPECT_EQ(plat::wait_pumping(worker, 0), plat::WaitResult::Signaled);
  plat::Handle never = plat::create_event();
  ASSERT_TRUE(plat::post_message(w, kMsgPong, 1, 0));
  EXPECT_EQ(plat::wait_pumping(never, 20), plat::WaitResult::Timeout);
  EXPECT_EQ(r.calls.load(), 2);
  EXPECT_EQ(plat::wait_pumping(nullptr, 0), plat::WaitResult::Failed);
  EXPECT_TRUE(plat::peek_message(m));
  plat::close_handle(never);
  plat::close_handle(worker);
  plat::destroy_window(w);
}

TEST(PlatformWindow, PostsQueueInOrderAndWakeTheOwner) {
  Recorder r;
  plat::WindowHandle w = plat::create_message_window(record, &r);
  plat::Message m;
  EXPECT_FALSE(plat::peek_message(m));
  EXPECT_EQ(plat::wait_for_message(10), plat::WaitResult::Timeout);

  Sender s;
  s.target = w;
  s.wparam = 1;
  plat::Handle worker = plat::create_thread(post_one, &s);
  ASSERT_EQ(plat::wait_for_message(kGuardMs), plat::WaitResult::Signaled);
  ASSERT_EQ(plat::wait(worker, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(s.result.load(), 1);
  EXPECT_EQ(r.calls.load(), 0);  // posting runs nothing
  ASSERT_TRUE(plat::post_message(w, kMsgPing, 2, 0));
  ASSERT_TRUE(plat::peek_message(m));
  EXPECT_EQ(m.wparam, 1u);
  ASSERT_TRUE(plat::peek_message(m));
  EXPECT_EQ(m.wparam, 2u);
  EXPECT_FALSE(plat::peek_message(m));

  // Destroying a window drops what was posted to it.
  ASSERT_TRUE(plat::post_message(w, kMsgPing, 3, 0));
  plat::destroy_window(w);
  EXPECT_FALSE(plat::peek_message(m));
  EXPECT_EQ(plat::wait_for_message(10), plat::WaitResult::Timeout);
  plat::close_handle(worker);
}

TEST(PlatformWindow, InSendMessageOnlyWithinAMessageFromAnotherThread) {
  Recorder inner;
  plat::WindowHandle own = plat::create_message_window(record, &inner);
  // While serving a cross-thread send, a direct send to an own window stays
  // "in send", as on Windows: Stop relies on it when the core's handler of a
  // notification reaches it through a send of its own.
  struct Outer {
    plat::WindowHandle own;
    Recorder* inner;
    std::atomic<bool> before{false}, after{false};
  } outer{own, &inner};
  auto proc = [](void* context, plat::WindowHandle, uint32_t, uintptr_t, intptr_t) -> intptr_t {
    auto* o = static_cast<Outer*>(context);
    o->before.store(plat::in_send_message());
    plat::send_message(o->own, kMsgPong, 0, 0);
    o->after.store(plat::in_send_message());
    return 1;
  };
  plat::WindowHandle w = plat::create_message_window(proc, &outer);
  Sender s;
  s.target = w;
  plat::Handle worker = plat::create_thread(send_one, &s);
  ASSERT_EQ(plat::wait_pumping(worker, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(s.result.load(), 1);
  EXPECT_TRUE(outer.before.load());
  EXPECT_EQ(inner.calls.load(), 1);
  EXPECT_TRUE(inner.last_in_send.load());
  EXPECT_TRUE(outer.after.load());
  EXPECT_FALSE(plat::in_send_message());
  plat::close_handle(worker);
  plat::destroy_window(w);
  plat::destroy_window(own);
}

// An event never closed: a thread may still be about to wait on it when the
// test ends. Kept reachable, so it is no leak.
plat::Handle kept_event() {
  static std::vector<plat::Handle>& kept = *new std::vector<plat::Handle>;
  kept.push_back(plat::create_event());
  return kept.back();
}

// Owns a window, says so, then waits for `release` without pumping and ends.
struct Owner {
  Recorder recorder;
  std::atomic<plat::WindowHandle> window{nullptr};
  plat::Handle ready = plat::create_event();
  plat::Handle release = plat::create_event();
  plat::Handle exit_gate = kept_event();
  bool destroy_first = false;
  ~Owner() {
    plat::close_handle(ready);
    plat::close_handle(release);
  }
};

// Holds a thread in its thread-local destructors until `until` is set, so a
// clean-up left to thread exit would still be pending when the handle says
// the thread has ended. First used after the window is made, so it is
// destroyed before the thread's message state.
struct HoldThreadExit {
  plat::Handle until = nullptr;
  ~HoldThreadExit() {
    if (until) plat::wait(until, kGuardMs);
  }
};
thread_local HoldThreadExit t_hold_exit;

unsigned own_and_leave(void* arg) {
  auto* o = static_cast<Owner*>(arg);
  o->window.store(plat::create_message_window(record, &o->recorder));
#if !defined(_WIN32)
  // Windows runs thread-local destructors before it signals the handle, so
  // the hold would only wait out its guard there.
  t_hold_exit.until = o->exit_gate;
#endif
  plat::set_event(o->ready);
  plat::wait(o->release, kGuardMs);
  if (o->destroy_first) plat::destroy_window(o->window.load());
  return 0;
}

TEST(PlatformWindow, SendsQueuedForAWindowThatGoesAwayReturnZero) {
  for (bool destroy_first : {true, false}) {
    SCOPED_TRACE(destroy_first ? "destroyed by its owner" : "owner thread ended");
    Owner o;
    o.destroy_first = destroy_first;
    plat::Handle owner = plat::create_thread(own_and_leave, &o);
    ASSERT_EQ(plat::wait(o.ready, kGuardMs), plat::WaitResult::Signaled);
    plat::WindowHandle w = o.window.load();
    ASSERT_TRUE(plat::is_window(w));
    EXPECT_NE(plat::window_thread(w), plat::current_thread_id());
    plat::destroy_window(w);  // not ours: only the owner may destroy it
    EXPECT_TRUE(plat::is_window(w));

    Sender s;
    s.target = w;
    plat::Handle sender = plat::create_thread(send_one, &s);
    ASSERT_EQ(plat::wait(s.about_to_send, kGuardMs), plat::WaitResult::Signaled);
    // Time for the send to be queued; were it late, it finds no window and
    // gets 0 all the same.
    plat::sleep_ms(30);
    plat::set_event(o.release);
    ASSERT_EQ(plat::wait(owner, kGuardMs), plat::WaitResult::Signaled);
    // The thread's handle is signalled only after its windows are gone.
    EXPECT_FALSE(plat::is_window(w));
    plat::set_event(o.exit_gate);
    ASSERT_EQ(plat::wait(sender, kGuardMs), plat::WaitResult::Signaled);
    EXPECT_EQ(s.result.load(), 0);
    EXPECT_EQ(o.recorder.calls.load(), 0);
    plat::close_handle(sender);
    plat::close_handle(owner);
  }
}

// Sends `count` pings to `peer`, then pumps until the peer is done too.
struct Pinger {
  Recorder recorder;
  std::atomic<plat::WindowHandle> window{nullptr};
  plat::Handle ready = plat::create_event();
  plat::Handle done = plat::create_event();
  plat::Handle armed = plat::create_event();
  Pinger* peer = nullptr;
  int count = 50;
  std::atomic<int> good_answers{0};
  ~Pinger() {
    plat::close_handle(ready);
    plat::close_handle(armed);
    plat::close_handle(done);
  }
};

unsigned ping_peer(void* arg) {
  auto* p = static_cast<Pinger*>(arg);
  p->window.store(plat::create_message_window(record, &p->recorder));
  p->recorder.owner_pumping.store(true);
  plat::set_event(p->ready);
  if (plat::wait_pumping(p->peer->ready, kGuardMs) != plat::WaitResult::Signaled) return 1;
  // The peer answers a ping by first sending us a pong: the reply needs us
  // while we are blocked in our own send.
  p->recorder.relay.store(p->peer->window.load());
  plat::set_event(p->armed);
  if (plat::wait_pumping(p->peer->armed, kGuardMs) != plat::WaitResult::Signaled) return 1;
  for (int i = 0; i < p->count; ++i) {
    // Peer's answer: i + 1 for the ping plus our pong answer 0 + 1.
    if (plat::send_message(p->peer->window.load(), kMsgPing, i, 0) == i + 2) p->good_answers.fetch_add(1);
  }
  plat::set_event(p->done);
  plat::wait_pumping(p->peer->done, kGuardMs);
  plat::destroy_window(p->window.load());
  return 0;
}

TEST(PlatformWindow, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  Pinger a, b;
  a.peer = &b;
  b.peer = &a;
  plat::Handle ta = plat::create_thread(ping_peer, &a);
  plat::Handle tb = plat::create_thread(ping_peer, &b);
  ASSERT_EQ(plat::wait(ta, kGuardMs), plat::WaitResult::Signaled);
  ASSERT_EQ(plat::wait(tb, kGuardMs), plat::WaitResult::Signaled);
  EXPECT_EQ(a.good_answers.load(), a.count);
  EXPECT_EQ(b.good_answers.load(), b.count);
  // Each got the peer's pings and a pong for each of its own.
  EXPECT_EQ(a.recorder.calls.load(), b.count + a.count);
  EXPECT_EQ(b.recorder.calls.load(), a.count + b.count);
  plat::close_handle(ta);
  plat::close_handle(tb);
}

TEST(PlatformWindow, AProcedureMayDestroyItsWindowWhileSendersQueue) {
  Recorder r;
  r.owner_pumping.store(true);
  r.destroy_on_pong.store(true);
  plat::WindowHandle w = plat::create_message_window(record, &r);
  Sender first, second;
  first.target = second.target = w;
  first.msg = kMsgPong;
  second.msg = kMsgPong;
  plat::Handle t1 = plat::create_thread(send_one, &first);
  plat::Handle t2 = plat::create_thread(send_one, &second);
  ASSERT_TRUE(pump_until_ended(t1));
  ASSERT_TRUE(pump_until_ended(t2));
  // Exactly one got through; the other met a destroyed window.
  EXPECT_EQ(r.calls.load(), 1);
  EXPECT_EQ(first.result.load() + second.result.load(), 1);
  EXPECT_FALSE(plat::is_window(w));
  plat::close_handle(t1);
  plat::close_handle(t2);
}

}  // namespace

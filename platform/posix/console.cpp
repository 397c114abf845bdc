#include "platform/console.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace plat {
namespace {

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnInterrupt(int) { Interrupted.store(true, std::memory_order_relaxed); }

}  // namespace

void catch_interrupt() {
  Interrupted.store(false, std::memory_order_relaxed);
  struct sigaction action = {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocking read of the answers ends too
  sigaction(SIGINT, &action, nullptr);
}

void release_interrupt() { signal(SIGINT, SIG_DFL); }

bool interrupted() { return Interrupted.load(std::memory_order_relaxed); }

void request_interrupt() { Interrupted.store(true, std::memory_order_relaxed); }

bool input_is_terminal() { return isatty(0) == 1; }

}  // namespace plat

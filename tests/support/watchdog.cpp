#include "tests/support/watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

Watchdog::Watchdog(std::string what, uint32_t guard_ms) {
  thread_ = std::thread([this, what = std::move(what), guard_ms] {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!done_.wait_for(lock, std::chrono::milliseconds(guard_ms), [this] { return finished_; })) {
      std::fprintf(stderr, "HANG: %s did not finish within %u ms\n", what.c_str(), guard_ms);
      std::fflush(stderr);
      std::_Exit(3);
    }
  });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  done_.notify_all();
  thread_.join();
}

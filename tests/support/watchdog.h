// Ends the test program with a message when a step hangs, so a deadlock
// fails the suite instead of stalling it.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
 public:
  Watchdog(std::string what, uint32_t guard_ms);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

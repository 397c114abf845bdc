// A 64-bit millisecond count carried on from 32-bit readings, for a system
// that has only the 32-bit tick count (Windows XP lacks GetTickCount64).
#pragma once
#include <atomic>
#include <cstdint>

namespace plat {

// The count at the 32-bit reading NOW, given the count last handed out. Any
// thread may call it; readings must come less than 24 days apart, so that a
// step forward is never taken for a step back. A reading older than the last
// one (a thread that read the clock just before another) is answered without
// moving the count back.
inline uint64_t extend_tick_count(std::atomic<uint64_t>& last, uint32_t now) {
  uint64_t seen = last.load(std::memory_order_relaxed);
  for (;;) {
    if (seen == 0) {  // the first reading stands as it is
      if (last.compare_exchange_weak(seen, now, std::memory_order_relaxed)) return now;
      continue;
    }
    const int32_t step = static_cast<int32_t>(now - static_cast<uint32_t>(seen));
    const uint64_t next = seen + static_cast<int64_t>(step);
    if (step <= 0) return next;
    if (last.compare_exchange_weak(seen, next, std::memory_order_relaxed)) return next;
  }
}

}  // namespace plat

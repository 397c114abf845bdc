#include "device/press_slot.h"

#include "platform/sync.h"

namespace device {
namespace {

constexpr uint64_t kCodeBits = 0xFFFFFFFFull;
constexpr uint64_t kPressedBit = 1ull << 32;
constexpr uint64_t kNewBit = 1ull << 33;
static_assert(std::atomic<uint64_t>::is_always_lock_free, "the slot must not need a lock");

}  // namespace

void PressSlot::Report(bool pressed, uint32_t code) {
  if (pressed) {
    word_.store(uint64_t{code} | kPressedBit | kNewBit, std::memory_order_release);
  } else {
    // A release keeps the code of the last press.
    uint64_t old = word_.load(std::memory_order_relaxed);
    while (!word_.compare_exchange_weak(old, (old & kCodeBits) | kNewBit, std::memory_order_release,
                                        std::memory_order_relaxed)) {
    }
  }
  // Read afresh: Start creates KeyEvent after polling began.
  const plat::Handle event = KeyEvent();
  if (event != nullptr) plat::set_event(event);
}

bool PressSlot::Take(PressReport& out) {
  const uint64_t word = word_.fetch_and(~kNewBit, std::memory_order_acq_rel);
  if ((word & kNewBit) == 0) return false;
  out.Code = word & kCodeBits;
  out.Pressed = (word & kPressedBit) != 0;
  return true;
}

bool PressSlot::HasNew() const { return (word_.load(std::memory_order_acquire) & kNewBit) != 0; }

// Relaxed is enough: the last writer was joined before, and the next run's
// threads are created after, which orders them around this store.
void PressSlot::Clear() { word_.store(0, std::memory_order_relaxed); }

plat::Handle PressSlot::OpenKeyEvent() {
  const plat::Handle event = plat::create_event();
  if (event != nullptr) key_event_.store(event, std::memory_order_release);
  return event;
}

void PressSlot::CloseKeyEvent() {
  const plat::Handle event = key_event_.exchange(nullptr, std::memory_order_acq_rel);
  if (event != nullptr) plat::close_handle(event);
}

}  // namespace device

// The press slot is one 64-bit word: the code in the low half (a GPIO code
// never uses the high half), the pressed bit and the new bit above it. Code and
// flag travel together, and taking a report clears only the new bit, so a
// report that arrives while the previous one is taken stays marked new.
#include "device/press_slot.h"

#include <atomic>

#include "platform/sync.h"

namespace device {

std::atomic<plat::Handle> KeyEvent{nullptr};

namespace {

constexpr uint64_t kCodeBits = 0xFFFFFFFFull;
constexpr uint64_t kPressedBit = 1ull << 32;
constexpr uint64_t kNewBit = 1ull << 33;

std::atomic<uint64_t> Slot{0};
static_assert(std::atomic<uint64_t>::is_always_lock_free, "the slot must not need a lock");

// A release keeps the code of the last press.
void PublishReleaseKeepingCode() {
  uint64_t old = Slot.load(std::memory_order_relaxed);
  while (!Slot.compare_exchange_weak(old, (old & kCodeBits) | kNewBit, std::memory_order_release,
                                     std::memory_order_relaxed)) {
  }
}

}  // namespace

void PressSlotPublish(bool pressed, uint32_t code) {
  if (pressed) {
    Slot.store(uint64_t{code} | kPressedBit | kNewBit, std::memory_order_release);
  } else {
    PublishReleaseKeepingCode();
  }
}

void PressSlotReport(bool pressed, uint32_t code) {
  PressSlotPublish(pressed, code);
  const plat::Handle event = KeyEvent.load(std::memory_order_acquire);
  if (event != nullptr) plat::set_event(event);
}

plat::Handle OpenKeyEvent() {
  const plat::Handle event = plat::create_event();
  if (event != nullptr) KeyEvent.store(event, std::memory_order_release);
  return event;
}

void CloseKeyEvent() {
  const plat::Handle event = KeyEvent.exchange(nullptr, std::memory_order_acq_rel);
  if (event != nullptr) plat::close_handle(event);
}

bool PressSlotTake(PressReport& out) {
  uint64_t word = Slot.fetch_and(~kNewBit, std::memory_order_acq_rel);
  if ((word & kNewBit) == 0) return false;
  out.Code = word & kCodeBits;
  out.Pressed = (word & kPressedBit) != 0;
  return true;
}

bool PressSlotHasNew() { return (Slot.load(std::memory_order_acquire) & kNewBit) != 0; }

// Relaxed is enough: the last writer was joined before, and the next run's
// threads are created after, which orders them around this store.
void PressSlotClear() { Slot.store(0, std::memory_order_relaxed); }

}  // namespace device

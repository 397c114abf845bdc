#include "events/key_event_thread.h"

#include <cstring>

#include "config/settings.h"
#include "device/press_slot.h"
#include "events/code_text.h"
#include "events/key_engine.h"
#include "events/key_event_thread_testing.h"
#include "platform/memory.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/state.h"

std::atomic<uint32_t> KeyEventGeneration{0};

namespace {

// Generation of the thread inside the delivery of a KeyNotify, shifted left by
// one with bit 0 set; 0 when none is. A thread given up by a re-entrant Stop
// may still be inside its delivery while the next one runs: only the current
// generation's delivery counts.
std::atomic<uint64_t> g_delivery{0};

std::atomic<KeyEventHook> g_before_reset_hook{nullptr};

bool ShouldEnd(uint32_t generation) {
  return KeyEventStop.load(std::memory_order_acquire) != 0 ||
         KeyEventGeneration.load(std::memory_order_acquire) != generation;
}

KeyTimings CurrentTimings() {
  return {Wait1.load(std::memory_order_relaxed), WaitN.load(std::memory_order_relaxed),
          WaitR.load(std::memory_order_relaxed), CodeDigits.load(std::memory_order_relaxed)};
}

uint32_t Address32(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

class ThreadOutput final : public KeyEngineOutput {
 public:
  explicit ThreadOutput(uint32_t generation) : generation_(generation) {}

  bool Notify(int32_t repeat_count) override {
    if (SetupMode.load(std::memory_order_acquire)) return true;
    const uint64_t mark = (uint64_t{generation_} << 1) | 1;
    g_delivery.store(mark, std::memory_order_seq_cst);
    plat::send_message(CoreWindow.load(std::memory_order_acquire), kKeyNotify,
                       reinterpret_cast<uintptr_t>(&KeyEventRecord), repeat_count);
    uint64_t expected = mark;
    g_delivery.compare_exchange_strong(expected, 0, std::memory_order_seq_cst);
    // Stop may have run inside the core's handler and given this thread up;
    // then the record, the slot and KeyEvent may already belong to another.
    return !ShouldEnd(generation_);
  }

  void Monitor(bool pressed, uint64_t code) override {
    if (!SetupMode.load(std::memory_order_acquire)) return;
    SetupFormBase* form = _SetupForm.load(std::memory_order_acquire);
    if (form == nullptr) return;
    const plat::WindowHandle window = form->Handle.load(std::memory_order_acquire);
    if (pressed) {
      plat::post_message(window, kMonitorPress, static_cast<uintptr_t>(code >> 32),
                         static_cast<intptr_t>(static_cast<uint32_t>(code)));
    } else {
      plat::post_message(window, kMonitorRelease, 0, 0);
    }
  }

 private:
  const uint32_t generation_;
};

}  // namespace

bool KeyNotifyInFlight() {
  const uint64_t delivery = g_delivery.load(std::memory_order_seq_cst);
  return (delivery & 1) != 0 &&
         (delivery >> 1) == KeyEventGeneration.load(std::memory_order_seq_cst);
}

void SetKeyEventBeforeResetHookForTesting(KeyEventHook hook) {
  g_before_reset_hook.store(hook, std::memory_order_release);
}

// The thread's two texts. The record hands their addresses to the core in
// 32-bit fields, so they live below 4 GiB whatever the process.
struct ThreadTexts {
  char CodeText[kCodeTextSize];
  char RemoteName[64];
};

class LowTexts {
 public:
  LowTexts() : texts_(static_cast<ThreadTexts*>(plat::alloc_low32(sizeof(ThreadTexts)))) {}
  ~LowTexts() { plat::free_low32(texts_, sizeof(ThreadTexts)); }
  LowTexts(const LowTexts&) = delete;
  LowTexts& operator=(const LowTexts&) = delete;
  ThreadTexts* get() const { return texts_; }

 private:
  ThreadTexts* texts_;
};

unsigned KeyEventThread(void*) {
  const uint32_t generation = KeyEventGeneration.load(std::memory_order_acquire);
  if (ShouldEnd(generation)) return 0;

  LowTexts low;
  ThreadTexts stack_texts{};
  ThreadTexts* texts = low.get();
  if (texts == nullptr) {
    // Without low memory only a 32-bit process can hand out its stack.
    if (sizeof(void*) > 4) return 0;
    texts = &stack_texts;
  }
  auto& code_text = texts->CodeText;
  auto& remote_name = texts->RemoteName;
  std::memset(texts, 0, sizeof(ThreadTexts));
  std::memcpy(KeyEventRecord.ExtTag, "EXT", 4);
  KeyEventRecord.ExtValue = 2;
  KeyEventRecord.Reserved1 = 0;
  KeyEventRecord.Reserved2 = 0;
  KeyEventRecord.CodeText = Address32(code_text);
  KeyEventRecord.RemoteName = Address32(remote_name);

  ThreadOutput output(generation);
  KeyEngine engine(CurrentTimings(), KeyList, RemoteNameList,
                   KeyTexts{KeyEventRecord.KeyName, code_text, remote_name}, output);

  for (;;) {
    if (ShouldEnd(generation)) return 0;

    PressReport report;
    const bool taken = PressSlotTake(report);
    if (!engine.Pass(taken ? &report : nullptr, plat::tick_count(), CurrentTimings())) return 0;
    if (PressSlotHasNew()) continue;

    if (KeyEventHook hook = g_before_reset_hook.load(std::memory_order_acquire)) hook();
    const plat::Handle event = KeyEvent.load(std::memory_order_acquire);
    plat::reset_event(event);
    // A stop request or a report signalled since the tests above was wiped
    // out by the reset: look again before sleeping.
    if (ShouldEnd(generation) || PressSlotHasNew()) continue;

    const plat::WaitResult result = plat::wait(event, engine.NextWait());
    if (result == plat::WaitResult::Timeout) {
      if (engine.ReleaseDue(plat::tick_count(), CurrentTimings())) PressSlotPublishRelease();
    } else if (result == plat::WaitResult::Failed) {
      // No usable event: pace the loop instead of spinning on it.
      plat::sleep_ms(kMinKeyWaitMs);
    }
  }
}

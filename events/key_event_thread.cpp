#include "events/key_event_thread.h"

#include <atomic>
#include <cstring>

#include "config/code_text.h"
#include "device/press_slot.h"
#include "events/key_engine.h"
#include "events/key_event_thread_testing.h"
#include "platform/memory.h"
#include "platform/sync.h"

namespace events {

namespace {

// One run of the thread. Nothing clears KeyEventStop once it is set, so a run
// asked to end can never run another pass, however the next run starts.
struct KeyEventRun {
  std::atomic<int32_t> KeyEventStop{0};
  std::atomic<bool> Delivering{false};
  KeyEventThreadSetup Setup;
  plat::Handle Thread = nullptr;  // core's thread only
  std::atomic<int> Refs{1};

  bool StopRequested() const { return KeyEventStop.load(std::memory_order_acquire) != 0; }
  void Release() {
    if (Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
};

// The core's thread's run; also read by the thread's test hook.
std::atomic<KeyEventRun*> g_current{nullptr};

std::atomic<KeyEventHook> g_before_reset_hook{nullptr};
std::atomic<KeyEventHook> g_after_delivery_hook{nullptr};
std::atomic<int> g_threads_running{0};

KeyTimings CurrentTimings(const KeyWaits& waits) {
  return {waits.wait1->load(std::memory_order_relaxed), waits.wait_n->load(std::memory_order_relaxed),
          waits.wait_r->load(std::memory_order_relaxed)};
}

uint32_t Address32(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// The engine's output: the run's sink, and the run's stop flag after every
// delivery.
class ThreadOutput final : public KeyEngineOutput {
 public:
  explicit ThreadOutput(KeyEventRun& run) : run_(run) {}

  bool Notify(int32_t repeat_count) override {
    run_.Delivering.store(true, std::memory_order_seq_cst);
    const bool going_on = run_.Setup.sink->Notify(repeat_count);
    run_.Delivering.store(false, std::memory_order_seq_cst);
    if (KeyEventHook hook = g_after_delivery_hook.load(std::memory_order_acquire)) hook();
    // Stop may have run inside the core's handler and given this run up; then
    // the slot and KeyEvent may already be another run's.
    return going_on && !run_.StopRequested();
  }

  void Monitor(bool pressed, uint64_t code) override { run_.Setup.sink->Monitor(pressed, code); }

 private:
  KeyEventRun& run_;
};

// The thread's two texts. The record hands their addresses to the core in
// 32-bit fields, so they live below 4 GiB whatever the process.
struct ThreadTexts {
  char CodeText[config::kCodeTextSize];
  char RemoteName[kRemoteNameSize];
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

void RunPasses(KeyEventRun& run) {
  LowTexts low;
  ThreadTexts stack_texts{};
  ThreadTexts* texts = low.get();
  if (texts == nullptr) {
    // Without low memory only a 32-bit process can hand out its stack.
    if (sizeof(void*) > 4) return;
    texts = &stack_texts;
  }
  auto& code_text = texts->CodeText;
  auto& remote_name = texts->RemoteName;
  std::memset(texts, 0, sizeof(ThreadTexts));
  KeyEventRecordT& record = *run.Setup.record;
  std::memcpy(record.ExtTag, "EXT", 4);
  record.ExtValue = 2;
  record.Reserved1 = 0;
  record.Reserved2 = 0;
  record.CodeText = Address32(code_text);
  record.RemoteName = Address32(remote_name);

  ThreadOutput output(run);
  const KeyWaits& waits = run.Setup.waits;
  device::PressSlot& slot = *run.Setup.slot;
  KeyEngine engine(CurrentTimings(waits), run.Setup.keys.get(),
                   KeyTexts{record.KeyName, code_text, remote_name}, output);

  // The loop only waits; the engine decides what a report or a wait that
  // timed out means.
  bool timed_out = false;
  for (;;) {
    if (run.StopRequested()) return;

    device::PressReport report;
    const uint32_t now = plat::tick_count();
    const bool going_on = slot.Take(report) ? engine.Pass(&report, now, CurrentTimings(waits))
                          : timed_out       ? engine.TimedOut(now, CurrentTimings(waits))
                                            : engine.Pass(nullptr, now, CurrentTimings(waits));
    if (!going_on) return;
    timed_out = false;
    if (slot.HasNew()) continue;

    if (KeyEventHook hook = g_before_reset_hook.load(std::memory_order_acquire)) hook();
    plat::reset_event(run.Setup.wake);
    // A stop request or a report signalled since the tests above was wiped
    // out by the reset: look again before sleeping.
    if (run.StopRequested() || slot.HasNew()) continue;

    const plat::WaitResult result = plat::wait(run.Setup.wake, engine.NextWait());
    if (result == plat::WaitResult::Timeout) {
      timed_out = true;
    } else if (result == plat::WaitResult::Failed) {
      // No usable event: pace the loop instead of spinning on it.
      plat::sleep_ms(kMinKeyWaitMs);
    }
  }
}

// Sets the current run's KeyEventStop and signals its wake-up.
void RequestKeyEventThreadStop() {
  KeyEventRun* run = g_current.load(std::memory_order_acquire);
  if (run == nullptr) return;
  run->KeyEventStop.store(1, std::memory_order_release);
  plat::set_event(run->Setup.wake);
}

}  // namespace

unsigned KeyEventThread(void* arg) {
  auto* run = static_cast<KeyEventRun*>(arg);
  if (!run->StopRequested()) RunPasses(*run);
  run->Release();
  g_threads_running.fetch_sub(1, std::memory_order_release);
  return 0;
}

bool StartKeyEventThread(const KeyEventThreadSetup& setup) {
  auto* run = new KeyEventRun;
  run->Setup = setup;
  run->Refs.store(2, std::memory_order_relaxed);  // the core's thread's and the run's own
  g_current.store(run, std::memory_order_release);
  g_threads_running.fetch_add(1, std::memory_order_relaxed);
  run->Thread = plat::create_thread(KeyEventThread, run);
  if (run->Thread != nullptr) return true;
  g_threads_running.fetch_sub(1, std::memory_order_relaxed);
  g_current.store(nullptr, std::memory_order_release);
  delete run;
  return false;
}

void StopKeyEventThread() {
  KeyEventRun* run = g_current.load(std::memory_order_acquire);
  if (run == nullptr) return;
  RequestKeyEventThreadStop();
  if (run->Delivering.load(std::memory_order_seq_cst) && plat::in_send_message()) {
    // We run inside the core's handler of the run's delivery: the run waits
    // for us to return, so it cannot be waited for. It is given up; its own
    // stop flag ends it as soon as the delivery returns.
  } else {
    // Pumping lets a notification in flight reach the core and return.
    plat::wait_pumping(run->Thread, plat::kInfinite);
  }
  plat::close_handle(run->Thread);
  g_current.store(nullptr, std::memory_order_release);
  run->Release();
}

bool KeyEventThreadRunning() { return g_current.load(std::memory_order_acquire) != nullptr; }

void SetKeyEventBeforeResetHookForTesting(KeyEventHook hook) {
  g_before_reset_hook.store(hook, std::memory_order_release);
}

void SetKeyEventAfterDeliveryHookForTesting(KeyEventHook hook) {
  g_after_delivery_hook.store(hook, std::memory_order_release);
}

void RequestKeyEventThreadStopForTesting() { RequestKeyEventThreadStop(); }

bool KeyNotifyInFlightForTesting() {
  const KeyEventRun* run = g_current.load(std::memory_order_acquire);
  return run != nullptr && run->Delivering.load(std::memory_order_seq_cst);
}

int KeyEventThreadsRunningForTesting() { return g_threads_running.load(std::memory_order_acquire); }

}  // namespace events

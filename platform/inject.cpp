#include "platform/inject.h"

#include <atomic>
#include <cstdint>

#include "platform/com.h"
#include "platform/sync.h"

namespace plat {
namespace {

// One word per kind: creations still to let through in the high half,
// failures still to make in the low half. Lock-free, so the DLL links no
// mutex (whose error path alone brings the library's system_error code).
constexpr uint32_t kHalf = 0xFFFF;
std::atomic<uint32_t> plans[3];

uint32_t Bounded(int count) { return count <= 0 ? 0 : count >= int{kHalf} ? kHalf : uint32_t(count); }

void set_plan(inject::Kind kind, int count, int skip) {
  const uint32_t fail = Bounded(count);
  plans[static_cast<int>(kind)].store(fail == 0 ? 0 : (Bounded(skip) << 16) | fail);
}

}  // namespace

bool inject::take_failure(Kind kind) {
  std::atomic<uint32_t>& plan = plans[static_cast<int>(kind)];
  uint32_t current = plan.load();
  for (;;) {
    if ((current & kHalf) == 0) return false;
    const bool skip = (current >> 16) != 0;
    const uint32_t next = skip ? current - (1u << 16) : current - 1;
    if (plan.compare_exchange_weak(current, next)) return !skip;
  }
}

void inject_thread_create_failures(int count, int skip) { set_plan(inject::Kind::Thread, count, skip); }
void inject_event_create_failures(int count, int skip) { set_plan(inject::Kind::Event, count, skip); }
void inject_co_initialize_failures(int count) { set_plan(inject::Kind::CoInitialize, count, 0); }

}  // namespace plat

#include "platform/inject.h"

#include <mutex>

#include "platform/com.h"
#include "platform/sync.h"

namespace plat {
namespace {

struct Plan {
  int skip = 0;
  int fail = 0;
};

std::mutex plan_mutex;
Plan plans[3];

void set_plan(inject::Kind kind, int count, int skip) {
  std::lock_guard<std::mutex> lock(plan_mutex);
  plans[static_cast<int>(kind)] = Plan{count > 0 ? skip : 0, count};
}

}  // namespace

bool inject::take_failure(Kind kind) {
  std::lock_guard<std::mutex> lock(plan_mutex);
  Plan& plan = plans[static_cast<int>(kind)];
  if (plan.fail <= 0) return false;
  if (plan.skip > 0) {
    --plan.skip;
    return false;
  }
  --plan.fail;
  return true;
}

void inject_thread_create_failures(int count, int skip) { set_plan(inject::Kind::Thread, count, skip); }
void inject_event_create_failures(int count, int skip) { set_plan(inject::Kind::Event, count, skip); }
void inject_co_initialize_failures(int count) { set_plan(inject::Kind::CoInitialize, count, 0); }

}  // namespace plat

// The COM substitute: counts apartment initialisations and creates classes
// from the in-process servers registered in the process (natively this layer
// is one shared library, so a core program and the plug-in it loads share it).
#include "platform/com.h"
#include "platform/inject.h"

#include <atomic>

namespace plat {
namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFalse = 1;
constexpr int32_t kPointer = static_cast<int32_t>(0x80004003u);             // E_POINTER
constexpr int32_t kClassNotRegistered = static_cast<int32_t>(0x80040154u);  // REGDB_E_CLASSNOTREG
constexpr int32_t kNotInitialized = static_cast<int32_t>(0x800401F0u);      // CO_E_NOTINITIALIZED
constexpr int32_t kChangedMode = static_cast<int32_t>(0x80010106u);         // RPC_E_CHANGED_MODE

constexpr int kMaxServers = 8;
std::atomic<ClassCreator> g_servers[kMaxServers];
std::atomic<int> g_balance{0};
// Like COM's per-thread apartment count: the first CoInitialize on a thread
// gives S_OK, nested ones S_FALSE.
thread_local int t_init_count = 0;

}  // namespace

int32_t co_initialize() {
  if (inject::take_failure(inject::Kind::CoInitialize)) return kChangedMode;
  g_balance.fetch_add(1, std::memory_order_relaxed);
  return t_init_count++ == 0 ? kOk : kFalse;
}

void co_uninitialize() {
  // An unpaired call still counts, so that the balance shows it.
  g_balance.fetch_sub(1, std::memory_order_relaxed);
  if (t_init_count > 0) --t_init_count;
}

int32_t co_create_instance(const Guid& clsid, const Guid& iid, void** out) {
  if (out == nullptr) return kPointer;
  *out = nullptr;
  if (t_init_count == 0) return kNotInitialized;
  for (auto& slot : g_servers) {
    ClassCreator creator = slot.load(std::memory_order_acquire);
    if (creator == nullptr) continue;
    int32_t status = creator(clsid, iid, out);
    if (status != kClassNotRegistered) return status;
  }
  return kClassNotRegistered;
}

void com_register_server(ClassCreator creator) {
  if (creator == nullptr) return;
  for (auto& slot : g_servers) {
    ClassCreator expected = nullptr;
    if (slot.compare_exchange_strong(expected, creator, std::memory_order_acq_rel)) return;
    if (expected == creator) return;  // registered already
  }
}

int com_init_balance() { return g_balance.load(std::memory_order_relaxed); }

}  // namespace plat

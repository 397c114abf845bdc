// The real COM run-time. The registry finds in-process servers here, so
// com_register_server has nothing to do; the balance counts the calls made
// through this layer, as the substitute does.
#include <windows.h>
#include <objbase.h>

#include <atomic>

#include "platform/com.h"
#include "platform/inject.h"

namespace plat {
namespace {

static_assert(sizeof(Guid) == sizeof(GUID), "Guid must have GUID's layout");

std::atomic<int> g_balance{0};

}  // namespace

int32_t co_initialize() {
  if (inject::take_failure(inject::Kind::CoInitialize)) return RPC_E_CHANGED_MODE;
  HRESULT status = CoInitialize(nullptr);
  if (SUCCEEDED(status)) g_balance.fetch_add(1, std::memory_order_relaxed);
  return status;
}

void co_uninitialize() {
  g_balance.fetch_sub(1, std::memory_order_relaxed);
  CoUninitialize();
}

int32_t co_create_instance(const Guid& clsid, const Guid& iid, void** out) {
  return CoCreateInstance(reinterpret_cast<const GUID&>(clsid), nullptr, CLSCTX_INPROC_SERVER,
                          reinterpret_cast<const GUID&>(iid), out);
}

void com_register_server(ClassCreator) {}

int com_init_balance() { return g_balance.load(std::memory_order_relaxed); }

}  // namespace plat

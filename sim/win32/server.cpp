// SimVamp.dll: the simulated card as an in-process COM server under the
// driver's class identifier, plus SimControl for the programs that set it up.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <atomic>
#include <cstdio>

#include "sim/card.h"

namespace {

constexpr char kClassKey[] = "CLSID\\{B8A9279E-C453-11D4-AD45-0060080BA634}";
constexpr char kServerKey[] = "CLSID\\{B8A9279E-C453-11D4-AD45-0060080BA634}\\InprocServer32";

std::atomic<long> g_locks{0};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static: its count only keeps the server loaded.
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++g_locks); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--g_locks); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return sim::Card::Instance().CreateInstance(device::CLSID_VampDeviceEnum,
                                                reinterpret_cast<const plat::Guid&>(iid), out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      ++g_locks;
    else
      --g_locks;
    return S_OK;
  }
};

Factory g_factory;

bool OwnPath(char* path, DWORD size) {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&g_factory), &self)) {
    return false;
  }
  DWORD length = GetModuleFileNameA(self, path, size);
  return length > 0 && length < size;
}

LONG SetText(HKEY key, const char* name, const char* value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>(lstrlenA(value) + 1));
}

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, reinterpret_cast<const CLSID&>(device::CLSID_VampDeviceEnum))) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return g_locks.load() == 0 && sim::Card::Instance().LiveReferences() == 0 ? S_OK : S_FALSE;
}

// HKEY_CLASSES_ROOT: Wine does not look in HKCU\Software\Classes.
extern "C" HRESULT WINAPI DllRegisterServer() {
  char path[MAX_PATH];
  if (!OwnPath(path, sizeof path)) return E_FAIL;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kClassKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return SELFREG_E_CLASS;
  }
  SetText(key, nullptr, "Simulated SAA713x capture card");
  RegCloseKey(key);
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kServerKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return SELFREG_E_CLASS;
  }
  LONG result = SetText(key, nullptr, path);
  if (result == ERROR_SUCCESS) result = SetText(key, "ThreadingModel", "Both");
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  RegDeleteKeyA(HKEY_CLASSES_ROOT, kServerKey);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
  return S_OK;
}

extern "C" sim::Control* SimControl() { return &sim::Card::Instance(); }

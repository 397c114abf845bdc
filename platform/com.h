// The few COM run-time calls the plug-in makes. On Windows they are the real
// ones; elsewhere a substitute counts initialisations and creates classes
// registered in the process (the simulated capture card).
#pragma once
#include <cstdint>

namespace plat {

struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

bool operator==(const Guid& a, const Guid& b);

int32_t co_initialize();
void co_uninitialize();
// CoCreateInstance with no outer object and CLSCTX_INPROC_SERVER.
int32_t co_create_instance(const Guid& clsid, const Guid& iid, void** out);

// Substitute only: the class creator of an in-process server.
using ClassCreator = int32_t (*)(const Guid& clsid, const Guid& iid, void** out);
void com_register_server(ClassCreator creator);
// Successful CoInitialize calls minus CoUninitialize calls made through this
// layer, all threads.
int com_init_balance();

// Test hook: the next `count` co_initialize calls fail (RPC_E_CHANGED_MODE)
// without initialising anything.
void inject_co_initialize_failures(int count);

}  // namespace plat

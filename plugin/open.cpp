// Open: records the core's window and the library's path, names the instance,
// loads the configuration and checks the core's version.
#include <cstring>

#include "config/settings.h"
#include "device/gpio_device.h"
#include "platform/module.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/state.h"
#include "plugin/version_check.h"

namespace {

void NameInstance(const char* name) {
  char* field = KeyEventRecord.InstanceName;
  const size_t size = sizeof(KeyEventRecord.InstanceName);
  if (name == nullptr) name = "REMOTE";
  const size_t length = strnlen(name, size - 1);
  std::memcpy(field, name, length);
  field[length] = '\0';
}

}  // namespace

extern "C" SAA_EXPORT const char* SAA_STDCALL Open(const char* name, plat::WindowHandle window,
                                                   const void* info) {
  CoreWindow.store(window, std::memory_order_release);
  plat::module_path(ModulePath, sizeof(ModulePath));
  std::memset(&KeyEventRecord, 0, sizeof(KeyEventRecord));
  NameInstance(name);
  CreateConfigurationLists();
  CreateDeviceList();
  LoadConfiguration();
  ReadWaits();
  if (info != nullptr) {
    uint32_t version;
    std::memcpy(&version, static_cast<const char*>(info) + kCoreInfoVersionOffset, sizeof(version));
    if (CoreVersionAccepted(version)) CoreVersionOk.store(true);
  }
  return PluginDescription;
}

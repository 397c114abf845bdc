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

namespace plugin {
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
}  // namespace plugin

extern "C" SAA_EXPORT const char* SAA_STDCALL Open(const char* name, plat::WindowHandle window,
                                                   const void* info) {
  plugin::CoreWindow.store(window, std::memory_order_release);
  plat::module_path(config::ModulePath, sizeof(config::ModulePath));
  std::memset(&plugin::KeyEventRecord, 0, sizeof(plugin::KeyEventRecord));
  plugin::NameInstance(name);
  config::CreateConfigurationLists();
  device::CreateDeviceList();
  config::LoadConfiguration();
  config::ReadWaits();
  if (info != nullptr) {
    uint32_t version;
    std::memcpy(&version, static_cast<const char*>(info) + plugin::kCoreInfoVersionOffset, sizeof(version));
    if (plugin::CoreVersionAccepted(version)) plugin::CoreVersionOk.store(true);
  }
  return setup::PluginDescription;
}

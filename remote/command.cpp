#include "remote/command.h"

#include "device/open_errors.h"
#include "platform/console.h"
#include "platform/module.h"

namespace remote {

const char kUsage[] =
    "usage: SAA713xRemote check [--verbose] FILE.cfg...\n"
    "       SAA713xRemote watch [--device N] [--definition FILE.cfg] [--interval MS] [--duration MS]\n"
    "       SAA713xRemote learn [--device N] [--reset-pin P] [--force] [--survey] [--interval MS]\n"
    "                           [--idle-ms MS] [--hold-ms MS] OUT.cfg\n"
    "       SAA713xRemote cards [--definitions DIR] [--install PLUGIN.dll [--device N] [--definition "
    "FILE.cfg]]\n"
    "       SAA713xRemote --version\n";

InterruptScope::InterruptScope() { plat::catch_interrupt(); }
InterruptScope::~InterruptScope() { plat::release_interrupt(); }

CardScope::CardScope(int32_t device, Output& out, Output& err) {
  const device::OpenError error = device::OpenDevice(device, card_, devices_);
  for (size_t i = 0; i < devices_.size(); ++i)
    out << (static_cast<int32_t>(i) == device ? "* device " : "  device ") << i << ": "
        << device::DescribeDevice(devices_[i]) << "\n";
  if (error != device::OpenError::None) {
    err << "cannot open capture device " << device << ": " << device::OpenErrorSentence(error) << " (code "
        << static_cast<int32_t>(error) << ")\n";
    return;
  }
  open_ = true;
}

CardScope::~CardScope() {
  if (open_) device::CloseDevice(card_);
}

std::string ProgramFolder() {
  char path[1024];
  if (!plat::module_path(path, sizeof path)) return {};
  std::string folder = path;
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder;
}

std::string DefinitionsFolder(const Options& o) {
  std::string folder = o.definitions;
  if (folder.empty()) {
    folder = ProgramFolder();
    if (folder.empty()) return {};
    folder += "definitions";
  }
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

}  // namespace remote

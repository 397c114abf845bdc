// The plug-in as a core sees it: a library loaded by path and reached only
// through its exports, and the CoreInfo block the core hands to Open.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/types.h"
#include "plugin/version_check.h"

namespace host {

#if defined(_WIN32)
#define HOST_STDCALL __stdcall
#else
#define HOST_STDCALL
#endif

using OpenFn = const char*(HOST_STDCALL*)(const char* name, plat::WindowHandle window, const void* info);
using VoidFn = void (*)();

// One loaded copy of the plug-in; freed with the object. The core's own
// Close comes first: the library does not call it.
class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the DLL or shared object at path and finds all six exports; false
  // (and error() says why) when it does not load or lacks one.
  bool Load(const std::string& path);
  const std::string& error() const { return error_; }

  OpenFn Open = nullptr;
  VoidFn Close = nullptr;
  VoidFn Start = nullptr;
  VoidFn Stop = nullptr;
  VoidFn Setup = nullptr;
  // The address of the exported _SetupForm, an std::atomic of the dialog's
  // pointer; the caller, who knows the dialog's type, casts it.
  void* SetupForm = nullptr;

 private:
  void* Symbol(const char* name);
  void* library_ = nullptr;
  std::string error_;
};

// A CoreInfo-shaped block carrying a version.
struct CoreInfoBlock {
  uint8_t bytes[64] = {};
  explicit CoreInfoBlock(uint32_t version) {
    std::memcpy(bytes + plugin::kCoreInfoVersionOffset, &version, sizeof version);
  }
};

// A core version the plug-in accepts.
constexpr uint32_t kAcceptedCoreVersion = 0x02070C00;

}  // namespace host

#include "host/plugin_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host {

PluginLibrary::~PluginLibrary() {
  if (library_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(library_));
#else
  dlclose(library_);
#endif
}

void* PluginLibrary::Symbol(const char* name) {
#if defined(_WIN32)
  void* symbol = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library_), name));
#else
  void* symbol = dlsym(library_, name);
#endif
  if (symbol == nullptr && error_.empty()) error_ = "no export " + std::string(name);
  return symbol;
}

bool PluginLibrary::Load(const std::string& path) {
  error_.clear();
  if (library_ != nullptr) {
    error_ = "already loaded";
    return false;
  }
#if defined(_WIN32)
  library_ = LoadLibraryA(path.c_str());
#else
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (library_ == nullptr) {
    error_ = "cannot load " + path;
    return false;
  }
  Open = reinterpret_cast<OpenFn>(Symbol("Open"));
  Close = reinterpret_cast<VoidFn>(Symbol("Close"));
  Start = reinterpret_cast<VoidFn>(Symbol("Start"));
  Stop = reinterpret_cast<VoidFn>(Symbol("Stop"));
  Setup = reinterpret_cast<VoidFn>(Symbol("Setup"));
  SetupForm = Symbol("_SetupForm");
  if (!error_.empty()) error_ += " in " + path;
  return error_.empty();
}

}  // namespace host

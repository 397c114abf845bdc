// Programs reach the card inside SimVamp.dll, the very module that
// CoCreateInstance loads: registered from this build tree, then loaded by the
// same full path that the registration names.
#include <windows.h>

#include <cstdio>
#include <string>

#include "sim/sim_control.h"

namespace sim {
namespace {

// <program folder>\..\sim\SimVamp.dll: tests and tools sit one level below the
// build tree's root, beside sim\.
std::string ServerPath() {
  char program[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  if (length == 0 || length >= sizeof program) return {};
  std::string folder(program, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  std::string relative = folder + "..\\sim\\SimVamp.dll";
  char full[MAX_PATH];
  DWORD full_length = GetFullPathNameA(relative.c_str(), sizeof full, full, nullptr);
  if (full_length == 0 || full_length >= sizeof full) return {};
  return std::string(full, full_length);
}

Control* Load() {
  std::string path = ServerPath();
  HMODULE server = path.empty() ? nullptr : LoadLibraryA(path.c_str());
  if (server == nullptr) {
    std::fprintf(stderr, "simulated card: cannot load %s\n", path.c_str());
    return nullptr;
  }
  using Register = HRESULT(WINAPI*)();
  using GetControl = Control* (*)();
  auto register_server =
      reinterpret_cast<Register>(reinterpret_cast<void (*)()>(GetProcAddress(server, "DllRegisterServer")));
  auto get_control =
      reinterpret_cast<GetControl>(reinterpret_cast<void (*)()>(GetProcAddress(server, "SimControl")));
  if (register_server == nullptr || get_control == nullptr || FAILED(register_server())) {
    std::fprintf(stderr, "simulated card: cannot register %s\n", path.c_str());
    return nullptr;
  }
  // The module stays loaded for the program's life, so the card keeps its
  // state when COM lets go of the server.
  return get_control();
}

Control* Loaded() {
  static Control* const card = Load();
  return card;
}

}  // namespace

bool install() { return Loaded() != nullptr; }

Control* control() { return Loaded(); }

}  // namespace sim

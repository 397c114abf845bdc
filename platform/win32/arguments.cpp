#include "platform/arguments.h"

#include <windows.h>

namespace plat {

Arguments program_arguments(int, char**) {
  // Looked up when called: the plug-in shares this layer, and a static import
  // would load shell32 into every host for a function only the tool uses.
  using Split = LPWSTR*(WINAPI*)(LPCWSTR, int*);
  const HMODULE shell = LoadLibraryA("shell32.dll");
  Split split = nullptr;
  if (shell != nullptr)
    split =
        reinterpret_cast<Split>(reinterpret_cast<void (*)()>(GetProcAddress(shell, "CommandLineToArgvW")));
  int count = 0;
  LPWSTR* list = split != nullptr ? split(GetCommandLineW(), &count) : nullptr;
  std::vector<std::u16string> wide;
  for (int i = 1; list != nullptr && i < count; ++i)
    wide.emplace_back(reinterpret_cast<const char16_t*>(list[i]));
  if (list != nullptr) LocalFree(list);
  if (shell != nullptr) FreeLibrary(shell);
  if (list == nullptr) {
    Arguments failed;
    failed.read = false;
    return failed;
  }
  return ansi_arguments(wide);
}

}  // namespace plat

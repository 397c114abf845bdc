#include "platform/file.h"

#include <windows.h>

namespace plat {

FileRead read_file(const char* path, size_t max_size, std::string& out) {
  out.clear();
  HANDLE file =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? FileRead::Missing
                                                                            : FileRead::Failed;
  }
  LARGE_INTEGER size;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > max_size) {
    CloseHandle(file);
    return FileRead::Failed;
  }
  // The size may change while we read; never take more than max_size.
  char buffer[16384];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr) || out.size() + got > max_size) {
      CloseHandle(file);
      out.clear();
      return FileRead::Failed;
    }
    if (got == 0) break;
    out.append(buffer, got);
  }
  CloseHandle(file);
  return FileRead::Ok;
}

bool replace_file(const char* from, const char* to) {
  HANDLE file =
      CreateFileA(from, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool flushed = FlushFileBuffers(file) != 0;
  if (!CloseHandle(file)) flushed = false;
  return flushed && MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace plat

#include "platform/file_create.h"

#include <windows.h>

#include <string>

namespace plat {

PathKind path_kind(const char* path, uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing
                                                                          : PathKind::Other;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return PathKind::Other;
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return PathKind::File;
}

bool write_new_file(const char* path, const std::string& content) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < content.size()) {
    DWORD chunk = content.size() - done > 0x10000000 ? 0x10000000 : static_cast<DWORD>(content.size() - done);
    DWORD written = 0;
    if (!WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0) ok = false;
    done += written;
  }
  if (ok && !FlushFileBuffers(file)) ok = false;
  if (!CloseHandle(file)) ok = false;
  if (!ok) DeleteFileA(path);
  return ok;
}

bool move_to_new_name(const char* from, const char* to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when to exists.
  return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) != 0;
}

NewFile check_new_file(const char* path, bool replace) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return NewFile::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return NewFile::NotFile;
    if (!replace) return NewFile::Exists;
    if (attributes & FILE_ATTRIBUTE_READONLY) return NewFile::ReadOnly;
  }
  const std::string probe = std::string(path) + ".probe" + std::to_string(GetCurrentProcessId()) + ".tmp";
  // Removed by the system when the handle closes, also if the process ends first.
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
      case ERROR_PATH_NOT_FOUND:
      case ERROR_FILE_NOT_FOUND:
      case ERROR_BAD_NETPATH: return NewFile::NoFolder;
      case ERROR_ACCESS_DENIED:
      case ERROR_WRITE_PROTECT: return NewFile::Denied;
      default: return NewFile::Failed;
    }
  }
  CloseHandle(file);
  return NewFile::Ok;
}

}  // namespace plat

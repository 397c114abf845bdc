#include "platform/file.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "platform/win32/newer_functions.h"

namespace plat {

FileRead read_file(const char* path, size_t max_size, std::string& out) {
  out.clear();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

namespace {

// A reader that holds the file without sharing it for deletion (the system's
// own profile functions, an editor, a virus scanner) makes the move fail for
// as long as it reads. Such a hold lasts milliseconds: a few short tries keep
// the save from being lost, bounded so the core's thread is never held long.
bool move_over(const char* from, const char* to) {
  constexpr int kTries = 20;
  constexpr DWORD kPauseMs = 10;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == kTries) return false;
    Sleep(kPauseMs);
  }
}

std::atomic<uint32_t> temp_counter{0};

// "<name>.<pid>-<n>.tmp" beside the target, the name shortened so that the
// temporary's path stays as short as it can.
std::string temp_name(const std::string& folder, const std::string& name) {
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".%lx-%x.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                static_cast<unsigned>(temp_counter.fetch_add(1, std::memory_order_relaxed)));
  return folder + name.substr(0, 64) + suffix;
}

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
constexpr DWORD kVolumeNameDos = 0;  // VOLUME_NAME_DOS, from Vista's headers

// The file a link (a reparse point) leads to; empty when it cannot be opened.
// Only called where the system can say (Vista and later).
std::string final_path(const std::string& link, FinalPathFunction final_path_of) {
  HANDLE file = CreateFileA(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  char path[MAX_PATH + 8];
  DWORD length = final_path_of(file, path, sizeof path, kVolumeNameDos);
  CloseHandle(file);
  if (length == 0 || length >= sizeof path) return {};
  std::string result(path, length);
  if (result.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + result.substr(8);
  if (result.rfind("\\\\?\\", 0) == 0) return result.substr(4);
  return result;
}

}  // namespace

bool replace_file_content(const char* path, std::string_view content) {
  std::string target = path ? path : "";
  if (target.empty()) return false;
  DWORD attributes = GetFileAttributesA(target.c_str());
  // Windows XP has no links to files, and no way to follow one: there a
  // reparse point is a file kept elsewhere by a storage driver, replaced as
  // it stands.
  const auto final_path_of = reinterpret_cast<FinalPathFunction>(
      reinterpret_cast<void (*)()>(win32::newer_function("kernel32.dll", "GetFinalPathNameByHandleA")));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && final_path_of) {
    target = final_path(target, final_path_of);
    if (target.empty()) return false;
    attributes = GetFileAttributesA(target.c_str());
  }
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return false;
  } else if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  // The new file carries the old one's visible attributes.
  const DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                         ? FILE_ATTRIBUTE_NORMAL
                         : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);

  const size_t separator = target.find_last_of("\\/");
  const std::string folder = separator == std::string::npos ? std::string() : target.substr(0, separator + 1);
  const std::string name = target.substr(folder.size());
  std::string temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = temp_name(folder, name);
    // CREATE_NEW never opens what is there, a link included.
    file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       kept ? kept : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
  }
  if (file == INVALID_HANDLE_VALUE) return false;

  bool ok = true;
  while (ok && !content.empty()) {
    DWORD chunk = content.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(content.size());
    DWORD written = 0;
    ok = WriteFile(file, content.data(), chunk, &written, nullptr) && written > 0;
    content.remove_prefix(written);
  }
  ok = ok && FlushFileBuffers(file);
  if (!CloseHandle(file)) ok = false;
  if (!ok || !move_over(temp.c_str(), target.c_str())) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace plat

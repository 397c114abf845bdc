#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace plat {

namespace {

int open_retrying(const char* path, int flags) {
  int fd;
  do {
    fd = ::open(path, flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool sync_fd(int fd) {
  int rc;
  do {
    rc = ::fsync(fd);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace

FileRead read_file(const char* path, size_t max_size, std::string& out) {
  out.clear();
  // Non-blocking so that a FIFO in the way cannot hang the caller.
  int fd = open_retrying(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? FileRead::Missing : FileRead::Failed;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<unsigned long long>(st.st_size) > max_size) {
    ::close(fd);
    return FileRead::Failed;
  }
  // The size may change while we read; never take more than max_size.
  char buffer[16384];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || out.size() + static_cast<size_t>(got) > max_size) {
      ::close(fd);
      out.clear();
      return FileRead::Failed;
    }
    if (got == 0) break;
    out.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return FileRead::Ok;
}

bool replace_file(const char* from, const char* to) {
  int fd = open_retrying(from, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = sync_fd(fd);
  if (::close(fd) != 0) synced = false;
  if (!synced || ::rename(from, to) != 0) return false;

  // Make the rename itself durable; it has happened either way.
  std::string folder(to);
  size_t slash = folder.find_last_of('/');
  folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash + 1);
  int dir = open_retrying(folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
  if (dir >= 0) {
    sync_fd(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace plat

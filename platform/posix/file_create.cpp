#include "platform/file_create.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace plat {

PathKind path_kind(const char* path, uint64_t& size) {
  struct stat st;
  if (::stat(path, &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Other;
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  if (!S_ISREG(st.st_mode)) return PathKind::Other;
  size = static_cast<uint64_t>(st.st_size);
  return PathKind::File;
}

bool write_new_file(const char* path, const std::string& content) {
  int fd;
  do {
    fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (!ok) ::unlink(path);
  return ok;
}

bool move_to_new_name(const char* from, const char* to) {
  // link() fails when to exists, so an existing file is never replaced.
  if (::link(from, to) != 0) return false;
  ::unlink(from);
  return true;
}

}  // namespace plat

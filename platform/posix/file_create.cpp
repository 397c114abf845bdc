#include "platform/file_create.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/posix/file_util.h"

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

NewFile check_new_file(const char* path, bool replace) {
  struct stat st;
  std::string target = path;
  if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode) && ::stat(path, &st) != 0) {
    // A link to a missing file: replace_file_content would create that file.
    if (!replace) return NewFile::Link;
    target = detail::follow_links(path);
    if (target.empty()) return NewFile::Failed;
  }
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return NewFile::Folder;
    if (!S_ISREG(st.st_mode)) return NewFile::NotFile;
    if (!replace) return NewFile::Exists;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return NewFile::ReadOnly;
    target = detail::follow_links(target);
  } else if (errno != ENOENT) {
    return errno == ENOTDIR ? NewFile::NoFolder : errno == EACCES ? NewFile::Denied : NewFile::Failed;
  }
  const std::string probe = target + ".probe" + std::to_string(::getpid()) + ".tmp";
  int fd;
  do {
    fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    switch (errno) {
      case ENOENT:
      case ENOTDIR: return NewFile::NoFolder;
      case EACCES:
      case EPERM:
      case EROFS: return NewFile::Denied;
      default: return NewFile::Failed;
    }
  }
  ::close(fd);
  ::unlink(probe.c_str());
  return NewFile::Ok;
}

}  // namespace plat

#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/file_util.h"

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

std::string detail::follow_links(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return {};
    std::string next(target, static_cast<size_t>(length));
    if (next.front() != '/') {
      size_t slash = path.find_last_of('/');
      if (slash != std::string::npos) next.insert(0, path, 0, slash + 1);
    }
    path = std::move(next);
  }
  return {};
}

bool detail::write_all(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

namespace {

std::atomic<uint32_t> g_temp_counter{0};

// "<name>.<pid>-<n>.tmp" beside the target; the name is shortened so that
// the temporary's own name stays within the file system's limit.
std::string temp_name(const std::string& folder, const std::string& name) {
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".%lx-%x.tmp", static_cast<unsigned long>(::getpid()),
                static_cast<unsigned>(g_temp_counter.fetch_add(1, std::memory_order_relaxed)));
  return folder + name.substr(0, 64) + suffix;
}

}  // namespace

bool replace_file_content(const char* path, std::string_view content) {
  const std::string target = detail::follow_links(path ? path : "");
  if (target.empty() || target.back() == '/') return false;
  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return false;
  // The mode, not access(): root may write anything, but a file without
  // write permission is one the user keeps as it is.
  if (exists && (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) return false;

  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = target.substr(folder.size());
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = temp_name(folder, name);
    do {
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno != EEXIST) return false;  // a stale file of that name: try the next
  }
  if (fd < 0) return false;

  bool ok = detail::write_all(fd, content);
  if (ok && exists) {
    // The owner may fail to change for an ordinary user; the mode must not.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) { /* keep our own */
    }
    ok = ::fchmod(fd, st.st_mode & 07777) == 0;
  }
  ok = ok && sync_fd(fd);
  if (::close(fd) != 0) ok = false;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }

  // Make the rename itself durable; it has happened either way.
  int dir = open_retrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
  if (dir >= 0) {
    sync_fd(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace plat

#include "platform/console.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string_view>

#include "platform/console_lines.h"
#include "platform/posix/file_util.h"

namespace plat {
namespace {

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnInterrupt(int) { Interrupted.store(true, std::memory_order_relaxed); }

detail::LineSplitter<char> Input;

}  // namespace

void catch_interrupt() {
  Interrupted.store(false, std::memory_order_relaxed);
  struct sigaction action = {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocking read of the answers ends too
  sigaction(SIGINT, &action, nullptr);
}

void release_interrupt() { signal(SIGINT, SIG_DFL); }

bool interrupted() { return Interrupted.load(std::memory_order_relaxed); }

bool input_is_terminal() { return isatty(0) == 1; }

bool console_of_its_own() {
  const char* own = std::getenv("SAA713X_OWN_CONSOLE");
  return own != nullptr && std::string_view(own) == "1";
}

bool console_write(ConsoleStream stream, std::string_view text) {
  // A terminal takes the bytes as they are, as any other file does.
  return detail::write_all(stream == ConsoleStream::Out ? 1 : 2, text);
}

ConsoleRead console_read_line(std::string& line) {
  line.clear();
  const bool got = Input.Next(line, [](char* buffer, size_t size) -> size_t {
    const ssize_t n = ::read(0, buffer, size);  // Ctrl+C ends it: EINTR
    return n > 0 ? static_cast<size_t>(n) : 0;
  });
  return got ? ConsoleRead::Line : ConsoleRead::End;
}

}  // namespace plat

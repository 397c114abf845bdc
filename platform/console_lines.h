// Splitting a stream of characters into lines, for the console backends
// (internal): bytes from a file or a pipe, UTF-16 units from a console.
#pragma once
#include <cstddef>
#include <string>

#include "platform/console.h"

namespace plat::detail {

template <class Char>
class LineSplitter {
 public:
  // The next line without its "\n", cut to kMaxConsoleLine units; read(buffer,
  // size) gives more and returns 0 at the end. False when nothing is left.
  template <class Read>
  bool Next(std::basic_string<Char>& line, Read&& read) {
    for (;;) {
      while (next_ < filled_) {
        const Char c = buffer_[next_++];
        if (c == Char('\n')) return Take(line);
        open_ = true;
        if (current_.size() < kMaxConsoleLine) current_.push_back(c);
      }
      if (ended_) return open_ && Take(line);
      next_ = 0;
      filled_ = read(buffer_, kBufferSize);
      ended_ = filled_ == 0;
    }
  }

 private:
  bool Take(std::basic_string<Char>& line) {
    line = std::move(current_);
    current_.clear();
    open_ = false;
    return true;
  }

  static constexpr size_t kBufferSize = 512;
  Char buffer_[kBufferSize];
  size_t next_ = 0, filled_ = 0;
  std::basic_string<Char> current_;
  bool open_ = false;  // characters since the last line end
  bool ended_ = false;
};

}  // namespace plat::detail

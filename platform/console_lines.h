// Splitting a stream of characters into lines, for the console backends
// (internal): bytes from a file or a pipe, UTF-16 units from a console.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

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
        if (!past_mark_ && SkipsMark(c)) continue;
        if (c == Char('\n')) return Take(line);
        Append(c);
      }
      if (ended_) {
        if (!past_mark_) SkipsMark(Char('\n'));  // half a mark is text
        return open_ && Take(line);
      }
      next_ = 0;
      filled_ = read(buffer_, kBufferSize);
      ended_ = filled_ == 0;
    }
  }

 private:
  // A UTF-8 byte order mark that an editor put at the start of a file of
  // answers is no text: true while c continues it. The first character that
  // does not gives back what looked like a mark's start.
  bool SkipsMark(Char c) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (c == static_cast<Char>(kMark[marked_])) {
      past_mark_ = ++marked_ == kMark.size();
      return true;
    }
    past_mark_ = true;
    for (size_t i = 0; i < marked_; ++i) Append(static_cast<Char>(kMark[i]));
    return false;
  }

  void Append(Char c) {
    open_ = true;
    if (current_.size() < kMaxConsoleLine) current_.push_back(c);
  }

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
  size_t marked_ = 0;                   // characters of a leading byte order mark seen so far
  bool past_mark_ = sizeof(Char) != 1;  // only bytes from a file or a pipe carry one
};

}  // namespace plat::detail

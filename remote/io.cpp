#include "remote/io.h"

#include "platform/console.h"

namespace remote {

void ConsoleOutput::Write(std::string_view text) {
  plat::console_write(error_ ? plat::ConsoleStream::Err : plat::ConsoleStream::Out, text);
}

Input::Read ConsoleInput::ReadLine(std::string& line) {
  switch (plat::console_read_line(line)) {
    case plat::ConsoleRead::Line: return Read::Line;
    case plat::ConsoleRead::NotAnsi: return Read::NotAnsi;
    case plat::ConsoleRead::End: break;
  }
  return Read::End;
}

bool ConsoleInput::Typed() const { return plat::input_is_terminal(); }

Input::Read StringInput::ReadLine(std::string& line) {
  if (next_ >= text_.size()) return Read::End;
  const size_t end = text_.find('\n', next_);
  const size_t stop = end == std::string::npos ? text_.size() : end;
  line.assign(text_, next_, stop - next_);
  next_ = stop + 1;
  return Read::Line;
}

}  // namespace remote

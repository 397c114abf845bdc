// The tool's text in and out: the console for the program, strings for the
// tests. Every command prints through Output and reads through Input:
//
//   out << "device " << index << ": " << Hex(vendor, 4) << " " << name << "\n";
//
// Text (string literals, std::string, string_view, char) goes as it is,
// integers in decimal, Hex() from format.h in upper-case hexadecimal. The
// console writes each piece at once, so a prompt shows before the answer is
// read and the two streams stay in order.
#pragma once
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace remote {

// Numbers, not characters or truth values.
template <class T>
concept Integer = std::integral<T> && !std::same_as<T, char> && !std::same_as<T, bool>;

class Output {
 public:
  virtual ~Output() = default;

  Output& operator<<(std::string_view text) {
    Write(text);
    return *this;
  }
  Output& operator<<(const char* text) { return *this << std::string_view(text); }
  Output& operator<<(char c) { return *this << std::string_view(&c, 1); }
  template <Integer Number>
  Output& operator<<(Number number) {
    return *this << std::string_view(std::to_string(number));
  }
  Output& operator<<(bool) = delete;  // say what it means in words

 protected:
  virtual void Write(std::string_view text) = 0;
};

class Input {
 public:
  enum class Read {
    Line,     // line holds the next line, without its line end
    End,      // no more input, or Ctrl+C broke the read off
    NotAnsi,  // a line was typed with a character the ANSI code page lacks
  };
  virtual ~Input() = default;
  virtual Read ReadLine(std::string& line) = 0;
  // The person types the answers and sees them as typed.
  virtual bool Typed() const { return false; }
};

// The program's standard output or standard error.
class ConsoleOutput final : public Output {
 public:
  explicit ConsoleOutput(bool error_stream) : error_(error_stream) {}

 protected:
  void Write(std::string_view text) override;

 private:
  bool error_;
};

// The program's standard input.
class ConsoleInput final : public Input {
 public:
  Read ReadLine(std::string& line) override;
  bool Typed() const override;
};

// What was written, for the tests.
class StringOutput final : public Output {
 public:
  const std::string& text() const { return text_; }

 protected:
  void Write(std::string_view text) override { text_.append(text); }

 private:
  std::string text_;
};

// The lines of a text as answers, for the tests.
class StringInput final : public Input {
 public:
  explicit StringInput(std::string text) : text_(std::move(text)) {}
  Read ReadLine(std::string& line) override;

 private:
  std::string text_;
  size_t next_ = 0;
};

}  // namespace remote

// The lines of a settings or definition file as 8-bit ANSI text, whatever
// encoding an editor saved it in: a UTF-16 (either byte order) or UTF-8 file
// is recognised by its byte order mark and converted line by line; a file
// without a mark is ANSI. CR, LF and CR LF all end a line. Lines keep their
// place in the file's bytes, so that a rewrite changes only the lines it
// means to and writes new ones in the file's own encoding.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace config {

// The line end of new files and of lines added to a file that has none.
#ifdef _WIN32
inline constexpr std::string_view kSystemLineEnd = "\r\n";
#else
inline constexpr std::string_view kSystemLineEnd = "\n";
#endif

enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// A line in the file's bytes: its text is [begin, end), its line end [end, next).
struct LineSpan {
  size_t begin;
  size_t end;
  size_t next;
};

class IniText {
 public:
  explicit IniText(std::string_view bytes);

  TextEncoding Encoding() const { return encoding_; }
  // Where the text starts, after the byte order mark.
  size_t BodyStart() const { return body_; }
  // A UTF-16 file that ends in half a code unit (an ANSI line appended to it,
  // say): the reader drops that byte, and whatever follows it is misaligned.
  bool EndsInHalfUnit() const { return unit_ == 2 && (bytes_.size() - body_) % 2 != 0; }

  // Calls visit(span, text) for every line, text in ANSI, until it returns false.
  template <class Visit>
  void ForEachLine(Visit&& visit) const {
    std::string buffer;
    size_t pos = body_;
    while (pos < bytes_.size()) {
      LineSpan span = NextLine(pos);
      if (!visit(span, Decode(span, buffer))) return;
      pos = span.next;
    }
  }

  // text in the file's encoding; nullopt when it would not read back as itself.
  std::optional<std::string> Encode(std::string_view text) const;
  // Whether text, the line as read, is all its bytes say: false when a
  // character had no ANSI form or a sequence was malformed.
  bool ReadsExactly(const LineSpan& span, std::string_view text) const;
  // The same for head, the start of the line as read: whether the line's
  // first bytes say exactly that.
  bool BeginsExactly(const LineSpan& span, std::string_view head) const;
  // The line end new lines get: the file's first one, else the system's.
  std::string LineEnd() const;

 private:
  // Text in the given encoding, without a mark.
  IniText(std::string_view bytes, TextEncoding encoding);
  LineSpan NextLine(size_t pos) const;
  std::string_view Decode(const LineSpan& span, std::string& buffer) const;

  std::string_view bytes_;
  TextEncoding encoding_ = TextEncoding::Ansi;
  size_t body_ = 0;
  size_t unit_ = 1;  // bytes per code unit
};

}  // namespace config

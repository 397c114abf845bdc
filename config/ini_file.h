// INI (profile) file access of our own, the same in both builds.
// Opening neither creates nor locks the file; a missing file (or an empty
// path) reads as empty. Files saved as UTF-16 or UTF-8 with a byte order mark
// read as ANSI text and are written back in their own encoding.
// A write keeps every line it does not own and replaces the file as a whole,
// so an interrupted write leaves the old file or the new one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ini_text.h"
#include "config/string_list.h"

namespace config {

// A settings file is a few hundred bytes and a remote definition a few
// kilobytes. Larger files read as empty and are never rewritten.
constexpr size_t kMaxIniFileSize = 4 * 1024 * 1024;
// Longer lines are kept when the file is rewritten but never parsed.
constexpr size_t kMaxIniLineLength = 4096;

struct IniLine {
  enum class Kind { Blank, Comment, Section, Entry, Other };
  int number = 0;  // 1-based line number in the file
  Kind kind = Kind::Other;
  std::string section;  // the section the line is in (a Section line: its own name)
  std::string key;      // Entry only
  std::string value;    // Entry only, exactly as the read functions return it
  std::string text;     // the line as decoded, without its line end
  bool lossy = false;   // text lost characters the ANSI code page lacks, or malformed bytes
};

// Every line of a file's text as the reader sees it.
std::vector<IniLine> LinesOf(const IniText& text);

// The line "key=value" as the writer puts it, the value quoted when the
// reader would otherwise change it; nullopt when no line reads back as both.
std::optional<std::string> EntryText(std::string_view key, std::string_view value);

class IniFile {
 public:
  explicit IniFile(std::string path);

  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // Decimal with an optional minus sign that fits in 32 bits; otherwise fallback.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // An integer, 0 false and anything else true; otherwise fallback.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // Appends one "key=value" line per entry of the section, in file order.
  void ReadSectionValues(std::string_view section, StringList& out) const;

  // Every line of the file as the reader sees it; empty for a missing, unreadable or oversized file.
  std::vector<IniLine> ReadLines() const;

  // False when the file could not be written or a name or value would not
  // read back as itself; the file is then unchanged. A value the reader would
  // change (blanks at its ends, surrounding quotes) is written in quotes. A
  // line whose key was read lossily from a Unicode file is never replaced.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
  // Sets several keys of one section, in order, with one replace of the file:
  // all of them are written or none.
  bool WriteValues(std::string_view section, const std::vector<std::pair<std::string, std::string>>& entries);

 private:
  std::string path_;
};

}  // namespace config

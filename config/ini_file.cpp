#include "config/ini_file.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>

#include "config/text.h"
#include "platform/file.h"

namespace {

// A settings file is a few hundred bytes and a remote definition a few
// kilobytes. Larger files read as empty and are never rewritten.
constexpr size_t kMaxFileSize = 4 * 1024 * 1024;
// Longer lines are kept when the file is rewritten but never parsed.
constexpr size_t kMaxLineLength = 4096;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
#ifdef _WIN32
constexpr std::string_view kNativeLineEnd = "\r\n";
#else
constexpr std::string_view kNativeLineEnd = "\n";
#endif

// One line of the file: its text is [begin, end), its line end [end, next).
struct LineSpan {
  size_t begin;
  size_t end;
  size_t next;
};

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key; empty for a section that matches nothing
  std::string_view value;  // entries only
};

// Calls visit for every line after the byte order mark until it returns false.
template <class Visit>
void ForEachLine(std::string_view data, Visit&& visit) {
  size_t pos = data.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
  while (pos < data.size()) {
    size_t newline = data.find('\n', pos);
    LineSpan line{pos, data.size(), data.size()};
    if (newline != std::string_view::npos) {
      line.end = newline;
      line.next = newline + 1;
      if (line.end > pos && data[line.end - 1] == '\r') --line.end;
    }
    if (!visit(line)) return;
    pos = line.next;
  }
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

ParsedLine Classify(std::string_view text) {
  ParsedLine line;
  if (text.size() > kMaxLineLength || text.find('\0') != std::string_view::npos) {
    // Not parsed; but a broken section header still ends the section before it,
    // so that its entries are not taken for those of the previous section.
    size_t first = text.find_first_not_of(" \t\r\v\f");
    if (first != std::string_view::npos && text[first] == '[') line.kind = LineKind::Section;
    return line;
  }
  text = TrimBlanks(text);
  if (text.empty()) {
    line.kind = LineKind::Blank;
  } else if (text.front() == ';' || text.front() == '#') {
    line.kind = LineKind::Comment;
  } else if (text.front() == '[') {
    line.kind = LineKind::Section;
    size_t close = text.find(']');
    if (close != std::string_view::npos) line.name = TrimBlanks(text.substr(1, close - 1));
  } else if (size_t equals = text.find('='); equals != std::string_view::npos) {
    line.name = TrimBlanks(text.substr(0, equals));
    if (!line.name.empty()) {
      line.kind = LineKind::Entry;
      line.value = Unquote(TrimBlanks(text.substr(equals + 1)));
    }
  }
  return line;
}

bool SectionMatches(const ParsedLine& line, std::string_view section) {
  return !line.name.empty() && EqualsIgnoreCase(line.name, section);
}

std::string Load(const std::string& path) {
  std::string data;
  if (plat::read_file(path.c_str(), kMaxFileSize, data) != plat::FileRead::Ok) data.clear();
  return data;
}

std::optional<std::string_view> FindValue(std::string_view data, std::string_view section,
                                          std::string_view key) {
  std::optional<std::string_view> found;
  bool inside = false;
  ForEachLine(data, [&](const LineSpan& span) {
    ParsedLine line = Classify(data.substr(span.begin, span.end - span.begin));
    if (line.kind == LineKind::Section) {
      inside = SectionMatches(line, section);
    } else if (inside && line.kind == LineKind::Entry && EqualsIgnoreCase(line.name, key)) {
      found = line.value;
      return false;
    }
    return true;
  });
  return found;
}

std::optional<int32_t> ParseInteger(std::string_view text) {
  int32_t value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  auto [end, error] = std::from_chars(first, last, value, 10);
  if (text.empty() || error != std::errc() || end != last) return std::nullopt;
  return value;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Only names that read back as themselves are written.
bool WritableSection(std::string_view section) {
  return !section.empty() && TrimBlanks(section) == section && !HasLineBreakOrNul(section) &&
         section.find(']') == std::string_view::npos;
}

bool WritableKey(std::string_view key) {
  return !key.empty() && TrimBlanks(key) == key && !HasLineBreakOrNul(key) &&
         key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '#' &&
         key.front() != '[';
}

std::string_view LineEndOf(std::string_view data) {
  size_t newline = data.find('\n');
  if (newline == std::string_view::npos) return kNativeLineEnd;
  return (newline > 0 && data[newline - 1] == '\r') ? std::string_view("\r\n") : "\n";
}

// The new content with key set to value; every other byte stays as it was.
std::string WithEntry(const std::string& data, std::string_view section, std::string_view entry,
                      std::string_view key) {
  std::optional<LineSpan> found;
  size_t insert_at = std::string::npos;  // end of the first matching section's last line
  bool inside = false;
  bool in_first = false;
  bool last_blank = true;
  ForEachLine(data, [&](const LineSpan& span) {
    ParsedLine line = Classify(std::string_view(data).substr(span.begin, span.end - span.begin));
    last_blank = line.kind == LineKind::Blank;
    if (line.kind == LineKind::Section) {
      inside = SectionMatches(line, section);
      in_first = inside && insert_at == std::string::npos;
      if (in_first) insert_at = span.end;
      return true;
    }
    if (inside && line.kind == LineKind::Entry && EqualsIgnoreCase(line.name, key)) {
      found = span;
      return false;
    }
    if (in_first && line.kind != LineKind::Blank) insert_at = span.end;
    return true;
  });

  std::string_view line_end = LineEndOf(data);
  std::string out;
  out.reserve(data.size() + entry.size() + section.size() + 8);
  if (found) {
    out.append(data, 0, found->begin).append(entry).append(data, found->end);
  } else if (insert_at != std::string::npos) {
    out.append(data, 0, insert_at).append(line_end).append(entry).append(data, insert_at);
  } else {
    out = data;
    bool has_text = out.size() > (out.compare(0, kBom.size(), kBom) == 0 ? kBom.size() : 0);
    if (has_text) {
      if (out.back() != '\n') out.append(line_end);
      if (!last_blank) out.append(line_end);
    }
    out.append("[").append(section).append("]").append(line_end);
    out.append(entry).append(line_end);
  }
  return out;
}

// Writes content beside path and moves it over path once it is on disk.
bool ReplaceContent(const std::string& path, const std::string& content) {
  std::string temp = path + ".tmp";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  if (std::fclose(file) != 0) written = false;
  if (written && plat::replace_file(temp.c_str(), path.c_str())) return true;
  std::remove(temp.c_str());
  return false;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::string data = Load(path_);
  std::optional<std::string_view> value = FindValue(data, section, key);
  return std::string(value ? *value : fallback);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t fallback) const {
  std::string data = Load(path_);
  std::optional<std::string_view> text = FindValue(data, section, key);
  std::optional<int32_t> value = text ? ParseInteger(*text) : std::nullopt;
  return value ? *value : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  std::string data = Load(path_);
  std::optional<std::string_view> text = FindValue(data, section, key);
  std::optional<int32_t> value = text ? ParseInteger(*text) : std::nullopt;
  return value ? *value != 0 : fallback;
}

void IniFile::ReadSectionValues(std::string_view section, StringList& out) const {
  std::string data = Load(path_);
  std::string_view view = data;
  bool inside = false;
  std::string entry;
  ForEachLine(view, [&](const LineSpan& span) {
    ParsedLine line = Classify(view.substr(span.begin, span.end - span.begin));
    if (line.kind == LineKind::Section) {
      inside = SectionMatches(line, section);
    } else if (inside && line.kind == LineKind::Entry) {
      entry.assign(line.name).append("=").append(line.value);
      out.Add(entry);
    }
    return true;
  });
}

std::vector<IniLine> IniFile::ReadLines() const {
  std::string data = Load(path_);
  std::string_view view = data;
  std::vector<IniLine> lines;
  std::string section;
  int number = 0;
  ForEachLine(view, [&](const LineSpan& span) {
    std::string_view text = view.substr(span.begin, span.end - span.begin);
    ParsedLine parsed = Classify(text);
    IniLine line;
    line.number = ++number;
    switch (parsed.kind) {
      case LineKind::Blank: line.kind = IniLine::Kind::Blank; break;
      case LineKind::Comment: line.kind = IniLine::Kind::Comment; break;
      case LineKind::Section: line.kind = IniLine::Kind::Section; break;
      case LineKind::Entry: line.kind = IniLine::Kind::Entry; break;
      case LineKind::Other: line.kind = IniLine::Kind::Other; break;
    }
    if (parsed.kind == LineKind::Section) section.assign(parsed.name);
    line.section = section;
    if (parsed.kind == LineKind::Entry) {
      line.key.assign(parsed.name);
      line.value.assign(parsed.value);
    }
    line.text.assign(text);
    lines.push_back(std::move(line));
    return true;
  });
  return lines;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!WritableSection(section) || !WritableKey(key) || HasLineBreakOrNul(value)) return false;
  std::string entry;
  entry.append(key).append("=").append(value);
  if (entry.size() > kMaxLineLength) return false;

  std::string data;
  switch (plat::read_file(path_.c_str(), kMaxFileSize, data)) {
    case plat::FileRead::Ok:
      break;
    case plat::FileRead::Missing:
      data.clear();
      break;
    case plat::FileRead::Failed:
      return false;  // never replace what could not be read
  }
  std::string content = WithEntry(data, section, entry, key);
  if (content.size() > kMaxFileSize) return false;
  return ReplaceContent(path_, content);
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

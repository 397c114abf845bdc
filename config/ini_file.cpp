#include "config/ini_file.h"

#include <charconv>
#include <optional>
#include <utility>

#include "config/ini_text.h"
#include "config/text.h"
#include "platform/file.h"

namespace config {

namespace {

constexpr size_t kMaxFileSize = kMaxIniFileSize;
constexpr size_t kMaxLineLength = kMaxIniLineLength;

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key; empty for a section that matches nothing
  std::string_view value;  // entries only
};

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::string_view ReadBackValue(std::string_view raw) { return Unquote(TrimBlanks(raw)); }

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
      line.value = ReadBackValue(text.substr(equals + 1));
    }
  }
  return line;
}

bool SectionMatches(const ParsedLine& line, std::string_view section) {
  return !line.name.empty() && EqualsIgnoreCase(line.name, section);
}

// The file's bytes; empty for an empty path, a missing, unreadable or
// oversized file.
std::string Load(const std::string& path) {
  std::string data;
  if (path.empty() || plat::read_file(path.c_str(), kMaxFileSize, data) != plat::FileRead::Ok) data.clear();
  return data;
}

std::optional<std::string> FindValue(const IniText& text, std::string_view section, std::string_view key) {
  std::optional<std::string> found;
  bool inside = false;
  text.ForEachLine([&](const LineSpan&, std::string_view line_text) {
    ParsedLine line = Classify(line_text);
    if (line.kind == LineKind::Section) {
      inside = SectionMatches(line, section);
    } else if (inside && line.kind == LineKind::Entry && EqualsIgnoreCase(line.name, key)) {
      found.emplace(line.value);
      return false;
    }
    return true;
  });
  return found;
}

std::optional<std::string> FindValue(const std::string& path, std::string_view section,
                                     std::string_view key) {
  const std::string data = Load(path);
  return FindValue(IniText(data), section, key);
}

std::optional<int32_t> ParseInteger(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  int32_t value = 0;
  const char* first = text->data();
  const char* last = first + text->size();
  auto [end, error] = std::from_chars(first, last, value, 10);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Only names that read back as themselves, on a line the reader parses, are
// written.
bool WritableSection(std::string_view section) {
  return !section.empty() && TrimBlanks(section) == section && !HasLineBreakOrNul(section) &&
         section.find_first_of("[]") == std::string_view::npos && section.size() + 2 <= kMaxLineLength;
}

bool WritableKey(std::string_view key) {
  return !key.empty() && TrimBlanks(key) == key && !HasLineBreakOrNul(key) &&
         key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '#' &&
         key.front() != '[';
}

// "key=value", the value quoted when the reader would otherwise change it;
// nullopt when no line gives the value back.
std::optional<std::string> EntryLine(std::string_view key, std::string_view value) {
  if (!WritableKey(key) || HasLineBreakOrNul(value)) return std::nullopt;
  std::string entry;
  entry.append(key).append("=");
  if (ReadBackValue(value) == value)
    entry.append(value);
  else
    entry.append("\"").append(value).append("\"");
  if (entry.size() > kMaxLineLength) return std::nullopt;
  return entry;
}

// Whether an entry line's key, up to its "=", is what the file holds: a key
// read lossily ("?" for a character the ANSI code page lacks) only looks
// like the key asked for, and its line is not ours to replace.
bool KeyReadExactly(const IniText& text, const LineSpan& span, std::string_view line_text) {
  return text.BeginsExactly(span, line_text.substr(0, line_text.find('=') + 1));
}

// The new content with one entry set; every other byte stays as it was.
// nullopt when the entry cannot be written in the file's encoding.
std::optional<std::string> WithEntry(const std::string& data, std::string_view section, std::string_view key,
                                     std::string_view entry) {
  const IniText text(data);
  std::optional<LineSpan> found;
  // After the first matching section's last line, and whether that line has a line end.
  size_t insert_at = std::string::npos;
  bool insert_ended = true;
  bool inside = false;
  bool in_first = false;
  bool last_blank = true;
  bool last_ended = true;
  text.ForEachLine([&](const LineSpan& span, std::string_view line_text) {
    ParsedLine line = Classify(line_text);
    last_blank = line.kind == LineKind::Blank;
    last_ended = span.next > span.end;
    if (line.kind == LineKind::Section) {
      inside = SectionMatches(line, section);
      in_first = inside && insert_at == std::string::npos;
    } else if (inside && line.kind == LineKind::Entry && EqualsIgnoreCase(line.name, key) &&
               KeyReadExactly(text, span, line_text)) {
      found = span;
      return false;
    }
    if (in_first && line.kind != LineKind::Blank) {
      insert_at = span.next;
      insert_ended = last_ended;
    }
    return true;
  });

  std::optional<std::string> encoded = text.Encode(entry);
  if (!encoded) return std::nullopt;
  const std::string line_end = text.LineEnd();
  std::string out;
  out.reserve(data.size() + encoded->size() + 2 * section.size() + 16);
  if (found) {
    out.append(data, 0, found->begin).append(*encoded).append(data, found->end);
  } else if (insert_at != std::string::npos) {
    // The line before keeps its own line end; only a last line without one gets the file's.
    out.append(data, 0, insert_at);
    if (!insert_ended) out.append(line_end);
    out.append(*encoded);
    if (insert_ended) out.append(line_end);
    out.append(data, insert_at);
  } else {
    std::string header = "[";
    header.append(section).append("]");
    std::optional<std::string> encoded_header = text.Encode(header);
    if (!encoded_header) return std::nullopt;
    out = data;
    if (out.size() > text.BodyStart()) {
      if (!last_ended) out.append(line_end);
      if (!last_blank) out.append(line_end);
    }
    out.append(*encoded_header).append(line_end).append(*encoded).append(line_end);
  }
  return out;
}

// Whether the reader finds every entry's value, the last one of a key given twice.
bool ReadsBack(const std::string& data, std::string_view section,
               const std::vector<std::pair<std::string, std::string>>& entries) {
  const IniText text(data);
  for (size_t i = 0; i < entries.size(); ++i) {
    bool later = false;
    for (size_t j = i + 1; j < entries.size(); ++j)
      later |= EqualsIgnoreCase(entries[j].first, entries[i].first);
    if (!later && FindValue(text, section, entries[i].first) != entries[i].second) return false;
  }
  return true;
}

IniLine::Kind KindOf(LineKind kind) {
  switch (kind) {
    case LineKind::Blank: return IniLine::Kind::Blank;
    case LineKind::Comment: return IniLine::Kind::Comment;
    case LineKind::Section: return IniLine::Kind::Section;
    case LineKind::Entry: return IniLine::Kind::Entry;
    case LineKind::Other: break;
  }
  return IniLine::Kind::Other;
}

}  // namespace

std::optional<std::string> EntryText(std::string_view key, std::string_view value) {
  return EntryLine(key, value);
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::optional<std::string> value = FindValue(path_, section, key);
  return value ? std::move(*value) : std::string(fallback);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  return ParseInteger(FindValue(path_, section, key)).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  std::optional<int32_t> value = ParseInteger(FindValue(path_, section, key));
  return value ? *value != 0 : fallback;
}

void IniFile::ReadSectionValues(std::string_view section, StringList& out) const {
  const std::string data = Load(path_);
  bool inside = false;
  std::string entry;
  IniText(data).ForEachLine([&](const LineSpan&, std::string_view text) {
    ParsedLine line = Classify(text);
    if (line.kind == LineKind::Section) {
      inside = SectionMatches(line, section);
    } else if (inside && line.kind == LineKind::Entry) {
      entry.assign(line.name).append("=").append(line.value);
      out.Add(entry);
    }
    return true;
  });
}

std::vector<IniLine> LinesOf(const IniText& ini_text) {
  std::vector<IniLine> lines;
  std::string section;
  ini_text.ForEachLine([&](const LineSpan& span, std::string_view text) {
    ParsedLine parsed = Classify(text);
    IniLine& line = lines.emplace_back();
    line.number = static_cast<int>(lines.size());
    line.kind = KindOf(parsed.kind);
    if (parsed.kind == LineKind::Section) section.assign(parsed.name);
    line.section = section;
    if (parsed.kind == LineKind::Entry) {
      line.key.assign(parsed.name);
      line.value.assign(parsed.value);
    }
    line.text.assign(text);
    line.lossy = !ini_text.ReadsExactly(span, text);
    return true;
  });
  return lines;
}

std::vector<IniLine> IniFile::ReadLines() const {
  const std::string data = Load(path_);
  return LinesOf(IniText(data));
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  return WriteValues(section, {{std::string(key), std::string(value)}});
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteValues(std::string_view section,
                          const std::vector<std::pair<std::string, std::string>>& entries) {
  if (path_.empty() || !WritableSection(section)) return false;
  std::vector<std::string> lines;
  for (const auto& [key, value] : entries) {
    std::optional<std::string> line = EntryLine(key, value);
    if (!line) return false;
    lines.push_back(std::move(*line));
  }

  std::string data;
  switch (plat::read_file(path_.c_str(), kMaxFileSize, data)) {
    case plat::FileRead::Ok: break;
    case plat::FileRead::Missing: data.clear(); break;
    case plat::FileRead::Failed: return false;  // never replace what could not be read
  }
  // The stray byte is kept as half of a last unit, so that the new lines
  // after it are aligned and read.
  if (IniText(data).EndsInHalfUnit()) data.push_back('\0');
  for (size_t i = 0; i < entries.size(); ++i) {
    std::optional<std::string> next = WithEntry(data, section, entries[i].first, lines[i]);
    if (!next) return false;
    data = std::move(*next);
  }
  if (data.size() > kMaxFileSize || !ReadsBack(data, section, entries)) return false;
  return plat::replace_file_content(path_.c_str(), data);
}

}  // namespace config

#include "config/ini_text.h"

#include "platform/text_codec.h"

namespace config {

IniText::IniText(std::string_view bytes) : bytes_(bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    encoding_ = TextEncoding::Utf8;
    body_ = 3;
  } else if (bytes.substr(0, 2) == "\xFF\xFE") {
    encoding_ = TextEncoding::Utf16LE;
    body_ = 2;
    unit_ = 2;
  } else if (bytes.substr(0, 2) == "\xFE\xFF") {
    encoding_ = TextEncoding::Utf16BE;
    body_ = 2;
    unit_ = 2;
  }
}

IniText::IniText(std::string_view bytes, TextEncoding encoding)
    : bytes_(bytes),
      encoding_(encoding),
      unit_(encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 1) {}

LineSpan IniText::NextLine(size_t pos) const {
  if (unit_ == 1) {
    size_t end = bytes_.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) return {pos, bytes_.size(), bytes_.size()};
    size_t next = end + 1;
    if (bytes_[end] == '\r' && next < bytes_.size() && bytes_[next] == '\n') ++next;
    return {pos, end, next};
  }
  const bool little = encoding_ == TextEncoding::Utf16LE;
  auto unit = [&](size_t at) {
    const auto a = static_cast<unsigned char>(bytes_[at]);
    const auto b = static_cast<unsigned char>(bytes_[at + 1]);
    return little ? (b << 8 | a) : (a << 8 | b);
  };
  for (size_t at = pos; at + 1 < bytes_.size(); at += 2) {
    const int c = unit(at);
    if (c != '\r' && c != '\n') continue;
    size_t next = at + 2;
    if (c == '\r' && next + 1 < bytes_.size() && unit(next) == '\n') next += 2;
    return {pos, at, next};
  }
  return {pos, bytes_.size(), bytes_.size()};  // an odd last byte is no character
}

std::string_view IniText::Decode(const LineSpan& span, std::string& buffer) const {
  std::string_view raw = bytes_.substr(span.begin, span.end - span.begin);
  switch (encoding_) {
    case TextEncoding::Ansi: return raw;
    case TextEncoding::Utf8: buffer = plat::ansi_from_utf16(plat::utf16_from_utf8(raw)); return buffer;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
      std::u16string units(raw.size() / 2, u'\0');
      const bool little = encoding_ == TextEncoding::Utf16LE;
      for (size_t i = 0; i < units.size(); ++i) {
        const auto a = static_cast<unsigned char>(raw[2 * i]);
        const auto b = static_cast<unsigned char>(raw[2 * i + 1]);
        units[i] = static_cast<char16_t>(little ? (b << 8 | a) : (a << 8 | b));
      }
      buffer = plat::ansi_from_utf16(units);
      return buffer;
    }
  }
  return raw;
}

std::optional<std::string> IniText::Encode(std::string_view text) const {
  std::string out;
  switch (encoding_) {
    case TextEncoding::Ansi: return std::string(text);
    case TextEncoding::Utf8: out = plat::utf8_from_utf16(plat::utf16_from_ansi(text)); break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
      const bool little = encoding_ == TextEncoding::Utf16LE;
      for (char16_t c : plat::utf16_from_ansi(text)) {
        const char low = static_cast<char>(c & 0xFF);
        const char high = static_cast<char>(c >> 8);
        out.push_back(little ? low : high);
        out.push_back(little ? high : low);
      }
      break;
    }
  }
  // A code page may hold bytes that no Unicode text gives back.
  const IniText alone(out, encoding_);
  std::string buffer;
  if (alone.Decode({0, out.size(), out.size()}, buffer) != text) return std::nullopt;
  return out;
}

bool IniText::ReadsExactly(const LineSpan& span, std::string_view text) const {
  const std::optional<std::string> encoded = Encode(text);
  return encoded && *encoded == bytes_.substr(span.begin, span.end - span.begin);
}

bool IniText::BeginsExactly(const LineSpan& span, std::string_view head) const {
  const std::optional<std::string> encoded = Encode(head);
  return encoded && bytes_.substr(span.begin, span.end - span.begin).starts_with(*encoded);
}

std::string IniText::LineEnd() const {
  std::string_view ending = kSystemLineEnd;
  if (body_ < bytes_.size()) {
    LineSpan first = NextLine(body_);
    if (first.next > first.end) return std::string(bytes_.substr(first.end, first.next - first.end));
  }
  return Encode(ending).value_or(std::string());
}

}  // namespace config

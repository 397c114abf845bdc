// The ANSI code page of the native build is Windows-1252, the one of a
// Western European Windows. Its five unassigned bytes map to the C1 controls
// of the same value, as Windows maps them, so every byte reads back as itself.
#include "platform/text_codec.h"

namespace plat {

namespace {

// U+0080 to U+009F for the bytes 0x80 to 0x9F.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t wide_of(unsigned char byte) { return (byte >= 0x80 && byte <= 0x9F) ? kHigh[byte - 0x80] : byte; }

char ansi_of(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (unsigned i = 0; i < 32; ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

std::string ansi_from_utf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    // A surrogate pair is one character, and no ANSI one.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      ++i;
    out.push_back(ansi_of(c));
  }
  return out;
}

bool ansi_from_utf16_exact(std::u16string_view text, std::string& out) {
  out.clear();
  for (char16_t c : text) {
    const char ansi = ansi_of(c);
    if (ansi == '?' && c != u'?') return false;  // surrogates included
    out.push_back(ansi);
  }
  return true;
}

std::u16string utf16_from_ansi(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(wide_of(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace plat

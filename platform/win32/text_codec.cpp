// The system's ANSI code page, converted by the system.
#include "platform/text_codec.h"

#include <windows.h>

#include <climits>

namespace plat {

std::string ansi_from_utf16(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX / 4) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  // No best fit: a character the code page lacks becomes '?', never a look-alike
  // such as a full-width bracket turned into "[", which would change what a line means.
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const int size = WideCharToMultiByte(CP_ACP, flags, wide, units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide, units, out.data(), size, nullptr, nullptr);
  return out;
}

bool ansi_from_utf16_exact(std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX / 4) return false;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  // A UTF-8 code page has every character, and takes neither the flag nor the question.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* used = utf8 ? nullptr : &defaulted;
  const int size = WideCharToMultiByte(CP_ACP, flags, wide, units, nullptr, 0, nullptr, used);
  if (size <= 0 || defaulted) return false;
  out.resize(static_cast<size_t>(size));
  if (WideCharToMultiByte(CP_ACP, flags, wide, units, out.data(), size, nullptr, used) != size || defaulted) {
    out.clear();
    return false;
  }
  return true;
}

std::u16string utf16_from_ansi(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX / 2) return {};
  const int bytes = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
  if (size <= 0) return {};
  std::u16string out(static_cast<size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, reinterpret_cast<wchar_t*>(out.data()), size);
  return out;
}

}  // namespace plat

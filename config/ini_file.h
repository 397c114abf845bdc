// INI (profile) file access of our own, the same in both builds.
// Opening neither creates nor locks the file; a missing file reads as empty.
// A write keeps every line it does not own and replaces the file as a whole,
// so an interrupted write leaves the old file or the new one.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "config/string_list.h"

class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Decimal with an optional minus sign that fits in 32 bits; otherwise fallback.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // An integer, 0 false and anything else true; otherwise fallback.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // Appends one "key=value" line per entry of the section, in file order.
  void ReadSectionValues(std::string_view section, StringList& out) const;

  // False when the file could not be written; the file is then unchanged.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);

 private:
  std::string path_;
};

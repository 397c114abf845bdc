// A remote definition file (*.cfg), read once into a value: what the plug-in
// uses of it, its keys in file order, and what it refused and why. The
// plug-in, the setup dialog's model list and the remote tool all read a
// definition here, so they never disagree about a file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "config/ini_text.h"

namespace config {

// The name of a remote whose definition has none (or that could not be read).
inline constexpr char kUnknownRemoteName[] = "<Unknown>";

// How the polling thread turns a sample into a key report.
struct Masks {
  uint32_t press_mask = 0;
  bool press_flag = false;  // whether a set PressMask bit means pressed
  uint32_t key_mask = 0xFFFFFFFFu;
  bool release_detect = true;
};

struct DefinitionKey {
  int line = 0;
  std::string code;  // the text before "=", as read
  std::string name;  // the text after it
};

// A value the reader did not take, so that the built-in one (or no entry) stands.
struct Refusal {
  enum class Why {
    NotAnInteger,      // ReleaseDetect, ResetAdr or PressFlag
    NotHexadecimal,    // a mask, read as 0
    WiderThan64Bits,   // a mask, read as 0
    CodeNeverWritten,  // a key whose text the plug-in writes for no code
    CodeGivenBefore,   // a key whose code an earlier line already names
  };
  int line = 0;
  Why why = Why::NotAnInteger;
  std::string key;  // the [Setup] key, or the key's code text
  int earlier = 0;  // CodeGivenBefore: the line that names the code
};

struct Definition {
  bool readable = false;  // false: missing, unreadable or too large; every value is the built-in one
  TextEncoding encoding = TextEncoding::Ansi;
  bool only_mark = false;  // a byte order mark and nothing after it
  std::vector<IniLine> lines;

  std::string name = kUnknownRemoteName;
  Masks masks;
  int32_t reset_adr = -1;  // the pin pulsed around each sample; outside 0..31 none
  std::vector<DefinitionKey> keys;
  std::vector<Refusal> refused;  // in line order
};

// The keys that name a code, sorted by code and, within one code, in file
// order: key is the position in keys. Keys whose text the plug-in writes for
// no code are left out.
struct CodePlace {
  uint64_t code;
  uint32_t key;
};
std::vector<CodePlace> KeysByCode(const std::vector<DefinitionKey>& keys);

// The first entry of a [Setup] key counts, as does a [Keys] entry in any
// [Keys] section; sections and keys match in any letter case.
Definition ReadDefinition(const std::string& path);

}  // namespace config

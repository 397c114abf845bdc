// The remote tool's only contact with the plug-in's own code: reading a
// definition, masks, code texts, key naming, the press decision and the card.
// Everything else in the tool works on the plain values declared here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace remote {

struct SourceLine {
  enum class Kind { Blank, Comment, Section, Entry, Other };
  int number = 0;
  Kind kind = Kind::Other;
  std::string section;  // the section the line is in
  std::string key;      // entries only
  std::string value;    // entries only, as the plug-in reads it
  std::string text;
  bool lossy = false;  // a Unicode file's characters without an ANSI form read as '?'
};

// The lines as the plug-in's reader sees them; empty when it reads nothing.
std::vector<SourceLine> ReadSourceLines(const std::string& path);

// The reader's limits: larger files read as empty, longer lines are ignored.
extern const uint64_t kMaxDefinitionSize;
extern const size_t kMaxLineLength;

// How the plug-in's reader takes a file's bytes.
struct FileText {
  bool readable = false;   // neither too large nor unreadable
  bool marked = false;     // a byte order mark: Unicode text, converted to ANSI
  bool only_mark = false;  // nothing after the mark
};
FileText ReadFileText(const std::string& path);

struct Masks {
  uint32_t press_mask = 0;
  bool press_flag = false;
  uint32_t key_mask = 0xFFFFFFFFu;
  bool release_detect = true;
};

// A definition's settings as the plug-in loads them.
struct Definition {
  std::string name;
  Masks masks;
  int32_t reset_adr = -1;
  std::vector<std::string> keys;  // "code=name", in file order
  // [Setup] keys present with a value the plug-in's integer reading refuses.
  bool release_detect_refused = false, reset_adr_refused = false, press_flag_refused = false;
};
Definition ReadDefinition(const std::string& path);
// A [Setup] value as the plug-in's reader gives it, for the keys only the tool reads.
std::string ReadSetupValue(const std::string& path, std::string_view key);

// The line "key=value" as the plug-in's settings writer makes it, so that it
// reads back as both; empty when no line does.
std::string DefinitionLine(std::string_view key, std::string_view value);
// How many characters of a key name and of a remote name reach the core.
size_t KeyNameCarried();
size_t RemoteNameCarried();

uint32_t MaskValue(std::string_view text);
// A code as the plug-in writes it to look it up.
std::string CodeText(uint64_t code);
// The key name the plug-in gives code_text; empty and found false when none.
struct KeyName {
  bool found = false;
  std::string name;
};
KeyName NameCode(std::string_view code_text, const std::vector<std::string>& keys);

struct Decision {
  bool report = false;
  bool pressed = false;
  uint32_t code = 0;
};
// The polling thread's decision for one sample; previous carries over.
Decision Decide(uint32_t sample, const Masks& masks, bool& previous);

// Opens the device as the plug-in does: 0, or its negative code. lines gets
// the device description lines written before the open ended.
int32_t OpenCard(int32_t index, std::vector<std::string>& lines);
uint32_t ReadCard(int32_t reset_pin);
// What a negative code of OpenCard means, in a few plain words.
std::string OpenFailure(int32_t code);
void CloseCard();

// The folder and the settings file of the plug-in at plugin_path, as the
// plug-in itself derives them from its own path. False when the path is too
// long for the plug-in.
bool PluginFiles(const std::string& plugin_path, std::string& folder, std::string& settings);
// What the setup dialog saves when the person chooses this device and the
// definition file (a name in the plug-in's folder) and closes it: the
// plug-in's own read of the settings and its own save. False when the file
// could not be written.
bool SelectDefinition(const std::string& plugin_path, int32_t device, const std::string& file);

}  // namespace remote

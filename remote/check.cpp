#include "remote/check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>

#include "config/code_text.h"
#include "config/hex.h"
#include "config/text.h"
#include "platform/file_create.h"
#include "platform/text_codec.h"
#include "remote/format.h"
#include "remote/known_cards.h"

namespace remote {
namespace {

using config::EqualsIgnoreCase;
using config::IniLine;
using config::kMaxIniFileSize;
using config::kMaxIniLineLength;
using config::TrimBlanks;
using Why = config::Refusal::Why;

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

// A line's text in quotes, cut short when long.
std::string Quoted(std::string_view text) {
  constexpr size_t kShown = 60;
  return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

// Why the reader does not parse a line, said of what; empty when it does.
std::string Unparsed(const IniLine& line, const char* what) {
  if (line.text.size() > kMaxIniLineLength) {
    return std::string(what) + " too long for the plug-in to read (" + std::to_string(line.text.size()) +
           " characters, at most " + std::to_string(kMaxIniLineLength) + ")";
  }
  if (HasNul(line.text)) return std::string(what) + " holds a NUL character";
  return {};
}

// Non-ASCII text that is well-formed UTF-8, as an editor saving UTF-8 without
// a byte order mark leaves it; ANSI text with accents rarely is.
bool LooksLikeUtf8(const std::string& text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  return !ascii && plat::utf8_from_utf16(plat::utf16_from_utf8(text)) == text;
}

// Cards is not the plug-in's: it names the cards a definition fits, for the
// tool's search by the card's IDs.
constexpr const char* kSetupKeys[] = {"Name",      "ReleaseDetect", "ResetAdr", "PressMask",
                                      "PressFlag", "KeyMask",       "Cards"};

class Checker {
 public:
  explicit Checker(const FileFacts& facts) : facts_(facts), def_(facts.definition) {}

  std::vector<Finding> Run() {
    if (!FileUsable()) return std::move(findings_);
    ScanLines();
    CheckSetup();
    CheckKeys();
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return std::move(findings_);
  }

 private:
  void Error(int line, std::string text) { findings_.push_back({line, true, std::move(text)}); }
  void Warning(int line, std::string text) { findings_.push_back({line, false, std::move(text)}); }

  bool FileUsable() {
    switch (facts_.kind) {
      case FileFacts::Kind::Missing: Error(0, "no such file"); return false;
      case FileFacts::Kind::Folder: Error(0, "is a folder, not a definition file"); return false;
      case FileFacts::Kind::Other: Error(0, "cannot be read as a file"); return false;
      case FileFacts::Kind::File: break;
    }
    if (facts_.size == 0 || def_.only_mark) {
      Error(0, facts_.size == 0 ? "empty file, not a remote definition"
                                : "empty file (only a byte order mark), not a remote definition");
      return false;
    }
    if (facts_.size > kMaxIniFileSize) {
      Error(0, "the plug-in reads this file as empty: it is too large (" + std::to_string(facts_.size) +
                   " bytes), more than " + std::to_string(kMaxIniFileSize));
      return false;
    }
    if (!def_.readable || def_.lines.empty()) {
      Error(0, "the plug-in reads this file as empty: it cannot be read");
      return false;
    }
    // The reader skips a line with a NUL and reads the others; a file that is
    // mostly such lines is no text.
    size_t nul_lines = 0, text_lines = 0;
    for (const IniLine& line : def_.lines) {
      nul_lines += HasNul(line.text);
      text_lines += line.kind != IniLine::Kind::Blank;
    }
    if (nul_lines > 0 && 2 * nul_lines >= text_lines) {
      Error(0, "binary file, not a remote definition");
      return false;
    }
    bool known = false;
    for (const IniLine& line : def_.lines) {
      // A header the reader skips may be one of them: its line says why.
      known |= line.kind == IniLine::Kind::Section &&
               (EqualsIgnoreCase(line.section, "Setup") || EqualsIgnoreCase(line.section, "Keys") ||
                !Unparsed(line, "").empty());
    }
    if (!known) {
      Error(0, "not a remote definition: it has no [Setup] or [Keys] section");
      return false;
    }
    return true;
  }

  // Line by line: sections, lines the reader drops, [Setup] keys.
  void ScanLines() {
    bool seen_section = false;
    for (const IniLine& line : def_.lines) {
      switch (line.kind) {
        case IniLine::Kind::Section:
          seen_section = true;
          if (line.section.empty()) {
            std::string why = Unparsed(line, "section header");
            Error(line.number, (why.empty() ? "section header names no section" : why) +
                                   ": the plug-in ignores the entries below it");
          } else if (EqualsIgnoreCase(line.section, "Setup")) {
            if (setup_line_ == 0) setup_line_ = line.number;
          } else if (EqualsIgnoreCase(line.section, "Keys")) {
            if (keys_line_ == 0) keys_line_ = line.number;
          } else {
            Warning(line.number, "unknown section [" + line.section +
                                     "]: the plug-in reads only [Setup] and [Keys] and ignores its entries");
          }
          break;
        case IniLine::Kind::Other: {
          const std::string why = Unparsed(line, "line");
          if (!why.empty())
            Error(line.number, why + ": the plug-in ignores this line");
          else if (TrimBlanks(line.text).find('=') == std::string_view::npos)
            Error(line.number, "entry without \"=\": the plug-in ignores this line");
          else
            Error(line.number, "entry without a name before \"=\": the plug-in ignores this line");
          break;
        }
        case IniLine::Kind::Entry:
          if (!seen_section)
            Warning(line.number, "entry before the first section: the plug-in ignores it");
          else if (EqualsIgnoreCase(line.section, "Setup"))
            SetupEntry(line);
          break;
        default: break;
      }
      if (line.kind == IniLine::Kind::Blank || line.kind == IniLine::Kind::Comment) continue;
      const std::string read_as = Quoted(TrimBlanks(line.text));
      if (line.lossy) {
        Warning(line.number, "characters without an ANSI form: the plug-in reads this line as " + read_as);
      } else if (def_.encoding == config::TextEncoding::Ansi && LooksLikeUtf8(line.text)) {
        Warning(line.number,
                "UTF-8 text in a file without a byte order mark: the plug-in reads it as ANSI, " + read_as +
                    "; save the file with a byte order mark or as ANSI");
      }
    }
  }

  void SetupEntry(const IniLine& line) {
    for (const char* key : kSetupKeys) {
      if (!EqualsIgnoreCase(line.key, key)) continue;
      auto [first, added] = setup_lines_.emplace(key, &line);
      if (!added) {
        Warning(line.number, "\"" + line.key + "\" is given again: the plug-in uses the first one, on line " +
                                 std::to_string(first->second->number));
      }
      return;
    }
    Warning(line.number, "unknown key \"" + line.key + "\" in [Setup]: the plug-in ignores it");
  }

  const IniLine* Setup(const char* key) const {
    auto found = setup_lines_.find(key);
    return found == setup_lines_.end() ? nullptr : found->second;
  }
  int LineOf(const char* key) const {
    const IniLine* line = Setup(key);
    return line ? line->number : setup_line_;
  }

  // What the reader refused on this line for this reason, or null.
  const config::Refusal* Refused(int line, Why why) const {
    for (const config::Refusal& refusal : def_.refused) {
      if (refusal.line == line && refusal.why == why) return &refusal;
    }
    return nullptr;
  }

  void CheckFlag(const char* key, bool value_used, bool fallback) {
    const IniLine* line = Setup(key);
    if (line == nullptr) return;
    if (Refused(line->number, Why::NotAnInteger)) {
      Error(line->number, std::string(key) + " \"" + line->value + "\" is not an integer: the plug-in uses " +
                              (fallback ? "1" : "0"));
    } else if (line->value != "0" && line->value != "1") {
      Warning(line->number, std::string(key) + " " + line->value + " counts as " + (value_used ? "1" : "0"));
    }
  }

  // As the card search reads the list: it ignores exactly the entries named here.
  void CheckCards() {
    const IniLine* line = Setup("Cards");
    if (line == nullptr) return;
    const std::vector<CardEntry> entries = ParseCardEntries(line->value);
    if (entries.empty()) Warning(line->number, "Cards is empty: the card search finds this file for no card");
    std::vector<CardIds> seen;
    for (const CardEntry& entry : entries) {
      if (entry.text.empty()) {
        Warning(line->number, "Cards has an empty entry (a comma too many): the card search ignores it");
      } else if (!entry.ids) {
        Warning(line->number, "Cards entry \"" + entry.text +
                                  "\" is not chip:subvendor:subdevice in hexadecimal, 1 to 4 digits each (as "
                                  "7133:1461:F31D): the card search ignores it");
      } else if (std::find(seen.begin(), seen.end(), *entry.ids) != seen.end()) {
        Warning(line->number, "Cards lists " + CardText(*entry.ids) + " twice");
      } else {
        seen.push_back(*entry.ids);
      }
    }
  }

  // False when the mask text does not say what the plug-in makes of it.
  bool CheckMaskText(const char* key, uint32_t value) {
    const IniLine* line = Setup(key);
    if (line == nullptr) return true;
    if (Refused(line->number, Why::NotHexadecimal)) {
      Error(line->number, std::string(key) + " \"" + line->value +
                              "\" is not hexadecimal: the plug-in reads it as 00000000");
      return false;
    }
    if (Refused(line->number, Why::WiderThan64Bits)) {
      Error(line->number, std::string(key) + " does not fit in 64 bits: the plug-in reads it as 00000000");
      return false;
    }
    if (config::ParseHexDigits(config::WithoutHexPrefix(line->value)).value_or(0) > 0xFFFFFFFFu) {
      Warning(
          line->number,
          std::string(key) + " has more than 8 digits: the plug-in keeps only the low ones, " + Hex(value));
    }
    return true;
  }

  void CheckSetup() {
    const config::Masks& masks = def_.masks;
    if (setup_line_ == 0) Warning(1, "no [Setup] section: the plug-in uses its built-in settings");
    if (setup_line_ != 0 && Setup("Name") == nullptr)
      Warning(setup_line_, "no Name: the plug-in shows the remote as \"<Unknown>\"");
    CheckCards();
    CheckFlag("ReleaseDetect", masks.release_detect, true);
    CheckFlag("PressFlag", masks.press_flag, false);
    if (const IniLine* line = Setup("ResetAdr")) {
      if (Refused(line->number, Why::NotAnInteger)) {
        Error(line->number,
              "ResetAdr \"" + line->value + "\" is not an integer: the plug-in uses -1, no reset pulse");
      } else if (def_.reset_adr > 31) {
        Error(line->number, "ResetAdr " + std::to_string(def_.reset_adr) +
                                " is outside 0..31: the reset pulse goes to a pin the card does not have");
      } else if (def_.reset_adr < -1) {
        Warning(line->number, "ResetAdr " + std::to_string(def_.reset_adr) +
                                  " is outside 0..31: it means no reset pulse, as -1 does");
      }
    }
    bool press_text = CheckMaskText("PressMask", masks.press_mask);
    bool key_text = CheckMaskText("KeyMask", masks.key_mask);
    if (masks.key_mask == 0 && key_text)
      Error(LineOf("KeyMask"), "KeyMask 0: every key gets the code 00000000");
    if (masks.press_mask == 0 && press_text) {
      int line = Setup("PressMask")   ? LineOf("PressMask")
                 : Setup("PressFlag") ? LineOf("PressFlag")
                                      : setup_line_;
      if (masks.press_flag)
        Error(line, "PressMask 0 with PressFlag 1: no sample ever counts as pressed, nothing is reported");
      else
        Error(line,
              "PressMask 0 with PressFlag 0: every sample counts as a pressed key, also when no key is "
              "touched");
    }
    if ((masks.press_mask & masks.key_mask) != 0) {
      Warning(LineOf("PressMask"), "PressMask bits " + Hex(masks.press_mask & masks.key_mask) +
                                       " are inside KeyMask " + Hex(masks.key_mask) +
                                       ": every code carries the press level");
    }
  }

  // Whether a pressed sample can carry code, given the press bits inside KeyMask.
  bool PressAllows(uint32_t code) const {
    const config::Masks& m = def_.masks;
    const uint32_t inside = m.press_mask & m.key_mask;
    if (m.press_mask == 0 || inside == 0) return true;
    if (m.press_flag) return (m.press_mask & ~m.key_mask) != 0 || (code & inside) != 0;
    return (code & inside) == 0;
  }

  // Why the plug-in writes no code as this text, in the author's terms.
  void CodeNeverWritten(const config::DefinitionKey& key) {
    const std::string& text = key.code;
    const std::optional<uint64_t> value = config::ParseHexDigits(text);
    if (!config::IsHexText(text)) {
      Error(key.line,
            "\"" + text + "\" is not a key code (hexadecimal digits): the plug-in never matches it");
    } else if (!value) {
      Error(key.line, "code " + text + " is longer than 16 digits: the plug-in never matches it");
    } else {
      const std::string canonical = config::CodeText(*value);
      Error(key.line,
            "code " + text +
                (text.size() < canonical.size() ? " lacks its leading zeros" : " has extra digits") +
                ": the plug-in looks it up as " + canonical + ", so this entry never matches");
    }
  }

  void CheckKeys() {
    const config::Masks& masks = def_.masks;
    for (const config::DefinitionKey& key : def_.keys) {
      const std::string& text = key.code;
      const std::optional<uint64_t> value = config::CodeOfText(text);
      if (!value) {
        CodeNeverWritten(key);
        continue;
      }
      if (*value > 0xFFFFFFFFu) {
        Error(key.line, "code " + text + " is wider than the 32 pins: the pins never produce it");
        continue;
      }
      const uint32_t code = static_cast<uint32_t>(*value);
      if ((code & ~masks.key_mask) != 0) {
        Error(key.line, "code " + text + " has bits " + Hex(code & ~masks.key_mask) + " outside KeyMask " +
                            Hex(masks.key_mask) + ": the pins never produce it");
      } else if (!PressAllows(code)) {
        Error(key.line, "code " + text + " contradicts PressFlag " + (masks.press_flag ? "1" : "0") +
                            " in the PressMask bits " + Hex(masks.press_mask & masks.key_mask) +
                            " inside KeyMask: a pressed key never has this code");
      }
      if (const config::Refusal* again = Refused(key.line, Why::CodeGivenBefore)) {
        const auto earlier =
            std::find_if(def_.keys.begin(), def_.keys.end(),
                         [&](const config::DefinitionKey& k) { return k.line == again->earlier; });
        const std::string where = std::to_string(again->earlier);
        if (earlier != def_.keys.end() && earlier->name == key.name)
          Warning(key.line,
                  "code " + text + " is listed again (line " + where + "): this line is never used");
        else
          Error(key.line, "code " + text + " is already \"" +
                              (earlier != def_.keys.end() ? earlier->name : "") + "\" on line " + where +
                              ": this line is never used");
      }
      if (key.name.empty()) Warning(key.line, "key " + text + " has an empty name");
      if (key.name.find(" ;") != std::string::npos || key.name.find("\t;") != std::string::npos)
        Warning(key.line,
                "key name \"" + key.name + "\" holds a \";\": the plug-in has no comments after a value");
    }
    if (def_.keys.empty()) Warning(keys_line_ != 0 ? keys_line_ : 1, "no keys: the plug-in names no code");
  }

  const FileFacts& facts_;
  const config::Definition& def_;
  std::vector<Finding> findings_;
  std::map<std::string, const IniLine*> setup_lines_;
  int setup_line_ = 0;
  int keys_line_ = 0;
};

}  // namespace

FileFacts GatherFacts(const std::string& path) {
  FileFacts facts;
  switch (plat::path_kind(path.c_str(), facts.size)) {
    case plat::PathKind::Missing: facts.kind = FileFacts::Kind::Missing; return facts;
    case plat::PathKind::Folder: facts.kind = FileFacts::Kind::Folder; return facts;
    case plat::PathKind::Other: facts.kind = FileFacts::Kind::Other; return facts;
    case plat::PathKind::File: facts.kind = FileFacts::Kind::File; break;
  }
  facts.definition = config::ReadDefinition(path);
  return facts;
}

std::vector<Finding> CheckDefinition(const FileFacts& facts) { return Checker(facts).Run(); }

std::string FormatFinding(const std::string& file, const Finding& finding) {
  std::string out = file;
  if (finding.line > 0) out += ":" + std::to_string(finding.line);
  out += finding.error ? ": error: " : ": warning: ";
  return out + finding.text;
}

std::string DescribeDefinition(const std::string& file, const config::Definition& d) {
  return file + ": Name \"" + d.name + "\", PressMask " + Hex(d.masks.press_mask) + ", PressFlag " +
         (d.masks.press_flag ? "1" : "0") + ", KeyMask " + Hex(d.masks.key_mask) + ", ReleaseDetect " +
         (d.masks.release_detect ? "1" : "0") + ", ResetAdr " + std::to_string(d.reset_adr) + ", " +
         std::to_string(d.keys.size()) + (d.keys.size() == 1 ? " key" : " keys");
}

}  // namespace remote

namespace remote {

int CheckCommand(const Options& o, Output& out, Output& err) {
  if (o.files.empty()) {
    err << kUsage;
    return 2;
  }
  int errors = 0, warnings = 0;
  for (const std::string& file : o.files) {
    const FileFacts facts = GatherFacts(file);
    for (const Finding& finding : CheckDefinition(facts)) {
      out << FormatFinding(file, finding) << "\n";
      (finding.error ? errors : warnings) += 1;
    }
    if (o.verbose && !facts.definition.lines.empty())
      out << DescribeDefinition(file, facts.definition) << "\n";
  }
  out << o.files.size() << (o.files.size() == 1 ? " file" : " files") << " checked: " << errors
      << (errors == 1 ? " error, " : " errors, ") << warnings << (warnings == 1 ? " warning" : " warnings")
      << "\n";
  return errors > 0 ? 2 : warnings > 0 ? 1 : 0;
}

}  // namespace remote

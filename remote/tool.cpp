#include "remote/tool.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "platform/console.h"
#include "platform/file.h"
#include "platform/file_create.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "remote/cards.h"
#include "remote/check.h"
#include "remote/format.h"
#include "remote/guided.h"
#include "remote/io.h"
#include "remote/known_cards.h"
#include "remote/learn.h"
#include "remote/plugin_link.h"
#include "remote/watch.h"

#include "saa_version.h"

namespace remote {
namespace {

constexpr const char kUsage[] =
    "usage: SAA713xRemote check [--verbose] FILE.cfg...\n"
    "       SAA713xRemote watch [--device N] [--definition FILE.cfg] [--interval MS] [--duration MS]\n"
    "       SAA713xRemote learn [--device N] [--reset-pin P] [--force] [--survey] [--interval MS]\n"
    "                           [--idle-ms MS] [--hold-ms MS] OUT.cfg\n"
    "       SAA713xRemote cards [--definitions DIR] [--install PLUGIN.dll [--device N] [--definition "
    "FILE.cfg]]\n"
    "       SAA713xRemote --version\n";

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

struct Options {
  std::vector<std::string> files;
  bool verbose = false, force = false, survey = false;
  int32_t device = 0, reset_pin = -1;
  int32_t interval = 20, duration = 0, idle_ms = 3000, hold_ms = 8000;
  std::string definition, definitions, install;
};

bool Number(const std::string& text, int32_t low, int32_t high, int32_t& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// The numeric options: name, range, and the field they set.
struct NumberOption {
  const char* name;
  int32_t low, high;
  int32_t Options::*field;
};
constexpr int32_t kMaxPin = 31;
constexpr NumberOption kNumberOptions[] = {
    {"--device", 0, 1000, &Options::device},     {"--reset-pin", 0, kMaxPin, &Options::reset_pin},
    {"--interval", 1, 1000, &Options::interval}, {"--duration", 1, 86400000, &Options::duration},
    {"--idle-ms", 1, 600000, &Options::idle_ms}, {"--hold-ms", 1, 600000, &Options::hold_ms},
};

bool Parse(const std::vector<std::string>& args, Options& o, Output& err) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const NumberOption* numeric = nullptr;
    for (const NumberOption& option : kNumberOptions) {
      if (arg == option.name) numeric = &option;
    }
    if (numeric != nullptr) {
      if (i + 1 >= args.size() || !Number(args[i + 1], numeric->low, numeric->high, o.*numeric->field)) {
        err << args[0] << ": " << arg << " needs a number from " << numeric->low << " to " << numeric->high
            << "\n";
        return false;
      }
      ++i;
    } else if (arg == "--verbose") {
      o.verbose = true;
    } else if (arg == "--force") {
      o.force = true;
    } else if (arg == "--survey") {
      o.survey = true;
    } else if (arg == "--definition" || arg == "--definitions" || arg == "--install") {
      if (i + 1 >= args.size()) {
        err << args[0] << ": " << arg << (arg == "--definitions" ? " needs a folder\n" : " needs a file\n");
        return false;
      }
      std::string& value = arg == "--definition"    ? o.definition
                           : arg == "--definitions" ? o.definitions
                                                    : o.install;
      value = args[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      err << args[0] << ": unknown option " << arg << "\n" << kUsage;
      return false;
    } else {
      o.files.push_back(arg);
    }
  }
  return true;
}

// Ctrl+C only sets the flag for the lifetime of the object.
class InterruptScope {
 public:
  InterruptScope() { plat::catch_interrupt(); }
  ~InterruptScope() { plat::release_interrupt(); }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};

// The card, open for the lifetime of the object.
class OpenCardScope {
 public:
  OpenCardScope(int32_t device, Output& out, Output& err) {
    const int32_t code = OpenCard(device, lines_);
    for (size_t i = 0; i < lines_.size(); ++i)
      out << (static_cast<int32_t>(i) == device ? "* device " : "  device ") << i << ": " << lines_[i]
          << "\n";
    if (code != 0) {
      err << "cannot open capture device " << device << ": " << OpenFailure(code) << " (code " << code
          << ")\n";
      return;
    }
    open_ = true;
  }
  ~OpenCardScope() {
    if (open_) CloseCard();
  }
  bool open() const { return open_; }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  bool open_ = false;
  std::vector<std::string> lines_;
};

// The program's own folder, ending in a path separator; empty when unknown.
std::string ProgramFolder() {
  char path[1024];
  if (!plat::module_path(path, sizeof path)) return {};
  std::string folder = path;
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder;
}

// The known cards' definitions: the folder given, or "definitions" beside
// the program, as the package has it. Ends in a path separator.
std::string DefinitionsFolder(const Options& o) {
  std::string folder = o.definitions;
  if (folder.empty()) {
    folder = ProgramFolder();
    if (folder.empty()) return {};
    folder += "definitions";
  }
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

// The masks of the shipped definition that fits the open device, when the
// definitions that fit it agree on them.
std::optional<Definition> KnownMasks(const Options& o, const OpenCardScope& card, std::string& note) {
  if (o.device < 0 || static_cast<size_t>(o.device) >= card.lines().size()) return std::nullopt;
  const std::optional<CardIds> ids = DeviceLineIds(card.lines()[static_cast<size_t>(o.device)]);
  if (!ids) return std::nullopt;
  const std::string folder = DefinitionsFolder(o);
  const std::vector<KnownDefinition> known = ReadKnownDefinitions(folder);
  const std::vector<const KnownDefinition*> matches = MatchCard(known, *ids);
  if (matches.empty()) return std::nullopt;
  Definition first = ReadDefinition(folder + matches[0]->file);
  for (const KnownDefinition* match : matches) {
    const Definition other = ReadDefinition(folder + match->file);
    const Masks &a = first.masks, &b = other.masks;
    if (a.press_mask != b.press_mask || a.press_flag != b.press_flag || a.key_mask != b.key_mask ||
        a.release_detect != b.release_detect || first.reset_adr != other.reset_adr)
      return std::nullopt;
  }
  note = "Known card " + CardText(*ids) + ": " + matches[0]->file + " (\"" + matches[0]->name +
         "\") gives PressMask " + Hex(first.masks.press_mask) + ", PressFlag " +
         (first.masks.press_flag ? "1" : "0") + ", KeyMask " + Hex(first.masks.key_mask) +
         "; the pins will show whether they fit this remote.";
  // Bounded as the option is: the plug-in would pulse any pin number it is given.
  if (first.reset_adr > kMaxPin) {
    note += " Its ResetAdr " + std::to_string(first.reset_adr) + " names no pin of the card and is not used.";
  }
  if (first.reset_adr < 0 || first.reset_adr > kMaxPin) first.reset_adr = -1;
  return first;
}

// Why no file can be written at the path, or nullptr.
const char* CannotWrite(plat::NewFile check) {
  switch (check) {
    case plat::NewFile::Ok: return nullptr;
    case plat::NewFile::Exists: return "exists; use --force to replace it";
    case plat::NewFile::Link: return "is a link to a missing file; use --force to write the file it names";
    case plat::NewFile::Folder: return "is a folder, not a file";
    case plat::NewFile::NotFile: return "is not a regular file";
    case plat::NewFile::ReadOnly: return "is read-only; it is not replaced";
    case plat::NewFile::NoFolder: return "cannot be created: its folder does not exist";
    case plat::NewFile::Denied: return "cannot be created: writing in its folder is not allowed";
    case plat::NewFile::Failed: break;
  }
  return "cannot be created there";
}

int Check(const Options& o, Output& out, Output& err) {
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
    if (o.verbose && !facts.lines.empty()) out << DescribeDefinition(file, facts.definition) << "\n";
  }
  out << o.files.size() << (o.files.size() == 1 ? " file" : " files") << " checked: " << errors
      << (errors == 1 ? " error, " : " errors, ") << warnings << (warnings == 1 ? " warning" : " warnings")
      << "\n";
  return errors > 0 ? 2 : warnings > 0 ? 1 : 0;
}

int Watch(const Options& o, Output& out, Output& err) {
  std::optional<Definition> definition;
  int32_t reset_pin = -1;
  if (!o.definition.empty()) {
    const FileFacts facts = GatherFacts(o.definition);
    if (facts.lines.empty()) {
      err << o.definition << ": cannot be read as a definition\n";
      return 2;
    }
    definition = facts.definition;
    reset_pin = definition->reset_adr;
    out << DescribeDefinition(o.definition, *definition) << "\n";
  }
  InterruptScope interrupt;
  OpenCardScope card(o.device, out, err);
  if (!card.open()) return 2;
  out << "Watching the pins; Ctrl+C ends.\n";
  const uint32_t start = plat::tick_count();
  std::optional<uint32_t> previous;
  bool pressed = false;
  int changes = 0;
  while (!plat::interrupted()) {
    const uint32_t elapsed = plat::tick_count() - start;
    if (o.duration > 0 && elapsed >= static_cast<uint32_t>(o.duration)) break;
    const uint32_t sample = ReadCard(reset_pin);
    if (!previous || sample != *previous) {
      out << WatchLine(elapsed, sample, previous, definition ? &*definition : nullptr, pressed) << "\n";
      if (previous) ++changes;
      previous = sample;
    }
    plat::sleep_ms(static_cast<uint32_t>(o.interval));
  }
  out << (plat::interrupted() ? "Stopped" : "Done") << " after " << changes
      << (changes == 1 ? " change" : " changes") << "; the device is closed.\n";
  return 0;
}

bool WriteDefinition(const std::string& path, const std::string& text, bool force, Output& err) {
  if (force) {
    // The settings files' own crash-safe replace.
    if (plat::replace_file_content(path.c_str(), text)) return true;
    err << path << ": cannot be replaced\n";
    return false;
  }
  // A new temporary beside the target, then one step into place, never over a file.
  std::string temp;
  for (int i = 0; i < 100 && temp.empty(); ++i) {
    std::string name = path + ".tmp" + std::to_string(i);
    if (plat::write_new_file(name.c_str(), text)) temp = name;
  }
  if (temp.empty()) {
    err << path << ": cannot write a temporary file beside it\n";
    return false;
  }
  if (plat::move_to_new_name(temp.c_str(), path.c_str())) return true;
  std::remove(temp.c_str());
  err << path << ": exists now or cannot be written; not replaced\n";
  return false;
}

int Learn(const Options& o, Input& in, Output& out, Output& err) {
  if (o.files.size() != 1) {
    err << kUsage;
    return 2;
  }
  const std::string& path = o.files[0];
  // Before the card opens: nothing learned is thrown away for a place that
  // cannot take the file.
  if (const char* why = CannotWrite(plat::check_new_file(path.c_str(), o.force))) {
    err << path << ": " << why << "\n";
    return 2;
  }
  // Caught until the file is in place: Ctrl+C never ends the program
  // between the temporary file and its move.
  InterruptScope interrupt;
  LearnedRemote remote;
  remote.reset_adr = o.reset_pin;
  {
    OpenCardScope card(o.device, out, err);
    if (!card.open()) return 2;
    LearnIo io;
    if (std::optional<Definition> known = o.survey ? std::nullopt : KnownMasks(o, card, io.known_note)) {
      io.known_masks = known->masks;
      if (o.reset_pin < 0) remote.reset_adr = known->reset_adr;
    }
    io.sample = [&] { return ReadCard(remote.reset_adr); };
    io.pause = [&] { plat::sleep_ms(static_cast<uint32_t>(o.interval)); };
    io.stopped = [] { return plat::interrupted(); };
    io.in = &in;
    io.out = &out;
    io.echo = !in.Typed();
    io.interval_ms = static_cast<uint32_t>(o.interval);
    io.idle_ms = static_cast<uint32_t>(o.idle_ms);
    io.hold_ms = static_cast<uint32_t>(o.hold_ms);
    if (!RunLearning(io, remote)) return 2;
  }
  if (remote.keys.empty()) {
    err << "No key was learned; " << path << " is not written.\n";
    return 2;
  }
  if (!WriteDefinition(path, DefinitionText(remote, kLineEnd), o.force, err)) return 2;
  out << "Wrote " << path << " with " << remote.keys.size() << (remote.keys.size() == 1 ? " key" : " keys")
      << ".";
  if (plat::interrupted()) {
    out << " Stopped before checking it.\n";
    return 0;
  }
  out << " Checking it:\n";
  Options check;
  check.files = {path};
  check.verbose = true;
  return Check(check, out, err);
}

int Cards(const Options& o, Output& out, Output& err) {
  if (!o.files.empty()) {
    err << kUsage;
    return 2;
  }
  const CardsReport report = RunCards({o.device, DefinitionsFolder(o), o.install, o.definition});
  out << report.out;
  err << report.err;
  return report.status;
}

}  // namespace

int RunTool(const std::vector<std::string>& args, Input& in, Output& out, Output& err) {
  if (args.empty() && plat::console_of_its_own()) {
    // Double-clicked: a window that would close before the usage is read.
    GuidedPlaces places;
    places.tool_folder = ProgramFolder();
    places.definitions = DefinitionsFolder(Options{});
    return RunGuided(places, in, out);
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    out << "SAA713xRemote " << SAA_VERSION_TEXT << "\n";
    return 0;
  }
  Options options;
  if (!Parse(args, options, err)) return 2;
  if (args[0] == "check") return Check(options, out, err);
  if (args[0] == "watch") return Watch(options, out, err);
  if (args[0] == "learn") return Learn(options, in, out, err);
  if (args[0] == "cards") return Cards(options, out, err);
  err << "unknown command " << args[0] << "\n" << kUsage;
  return 2;
}

int RunTool(const plat::Arguments& args, Input& in, Output& out, Output& err) {
  if (!args.read) {
    err << "SAA713xRemote: the program's arguments cannot be read\n";
    return 2;
  }
  if (args.refused != 0) {
    err << "SAA713xRemote: argument " << args.refused << ", \"" << args.refused_text
        << "\", holds a character that the ANSI code page lacks (shown as ?): the tool and the plug-in "
           "would read it as another name, so nothing is done; use a name without it\n";
    return 2;
  }
  return RunTool(args.ansi, in, out, err);
}

}  // namespace remote

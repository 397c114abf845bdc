// The options as parsed, and the command they name.
#include "remote/tool.h"

#include <charconv>

#include "platform/console.h"
#include "remote/cards.h"
#include "remote/check.h"
#include "remote/command.h"
#include "remote/guided.h"
#include "remote/learn.h"
#include "remote/watch.h"

#include "saa_version.h"

namespace remote {
namespace {

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
  if (args[0] == "check") return CheckCommand(options, out, err);
  if (args[0] == "watch") return WatchCommand(options, out, err);
  if (args[0] == "learn") return LearnCommand(options, in, out, err);
  if (args[0] == "cards") return CardsCommand(options, out, err);
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

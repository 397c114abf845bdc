#include "remote/guided.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "config/settings.h"
#include "config/text.h"
#include "platform/file_create.h"
#include "remote/cards.h"
#include "remote/format.h"
#include "remote/tool.h"

#include "saa_version.h"

namespace remote {
namespace {

constexpr const char kPluginFile[] = "SAA713x.dll";
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The person's answers, shown after each question when they come from a file.
class Person {
 public:
  Person(Input& in, Output& out) : in_(in), out_(out), echo_(!in.Typed()) {}

  // The trimmed answer; nullopt when the input has ended.
  std::optional<std::string> Ask(std::string_view question) {
    for (;;) {
      out_ << question;
      std::string line;
      const Input::Read read = in_.ReadLine(line);
      if (read == Input::Read::End) {
        if (echo_) out_ << "\n";
        return std::nullopt;
      }
      if (read == Input::Read::NotAnsi) {
        out_ << "That holds a character outside the ANSI code page, which this program cannot use; type "
                "it another way (for a folder: move the file to one whose name has no such character).\n";
        continue;
      }
      line = std::string(config::TrimBlanks(line));
      if (echo_) out_ << line << "\n";
      return line;
    }
  }

  // A number from low to high; an empty answer gives fallback.
  std::optional<int32_t> AskNumber(std::string_view question, int32_t low, int32_t high, int32_t fallback,
                                   std::string_view again) {
    for (;;) {
      const std::optional<std::string> answer = Ask(question);
      if (!answer) return std::nullopt;
      if (answer->empty()) return fallback;
      int32_t value = 0;
      const auto [end, error] = std::from_chars(answer->data(), answer->data() + answer->size(), value);
      if (error == std::errc() && end == answer->data() + answer->size() && value >= low && value <= high)
        return value;
      out_ << again;
    }
  }

 private:
  Input& in_;
  Output& out_;
  bool echo_;
};

plat::PathKind Kind(const std::string& path) {
  uint64_t size = 0;
  return plat::path_kind(path.c_str(), size);
}

// In any letter case.
bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && config::EqualsIgnoreCase(text.substr(text.size() - end.size()), end);
}

// A path dropped on a console comes in double quotes when it has blanks.
std::string Unquoted(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    return std::string(config::TrimBlanks(std::string_view(text).substr(1, text.size() - 2)));
  return text;
}

// The plug-in in the folder given, or the file given; empty, and why, when
// there is none.
std::string PluginAt(std::string given, std::string& why) {
  switch (Kind(given)) {
    case plat::PathKind::Folder: {
      if (given.back() != '/' && given.back() != '\\') given += kSeparator;
      if (Kind(given + kPluginFile) == plat::PathKind::File) return given + kPluginFile;
      why = "There is no SAA713x.dll in " + given + ".";
      return {};
    }
    case plat::PathKind::File:
      if (EndsWith(given, ".dll")) return given;
      why = given + " is not the plug-in, which is a .dll file (SAA713x.dll).";
      return {};
    case plat::PathKind::Missing:
      why = "There is nothing at " + given + "; check how it is spelt.";
      return {};
    case plat::PathKind::Other: break;
  }
  why = given + " is neither a folder nor a file.";
  return {};
}

// Beside this program, or wherever the person says; nullopt when they stop.
std::optional<std::string> FindPlugin(const GuidedPlaces& places, Person& person, Output& out) {
  const std::string beside = places.tool_folder + kPluginFile;
  const bool here = !places.tool_folder.empty() && Kind(beside) == plat::PathKind::File;
  const char* how =
      "type or paste the folder it is in, or drag SAA713x.dll onto this window, then press Enter";
  if (here)
    out << "\nSAA713x.dll is beside this program: " << beside
        << "\nIf your remote-control program loads it from another folder, " << how
        << "; otherwise press Enter.\n";
  else
    out << "\nWhere is SAA713x.dll, the plug-in that your remote-control program loads? To say, " << how
        << ".\n";
  for (;;) {
    const std::optional<std::string> answer = person.Ask("Plug-in: ");
    if (!answer) return std::nullopt;
    const std::string given = Unquoted(*answer);
    if (given.empty()) {
      if (here) return beside;
      out << "No plug-in given: nothing can be installed or saved beside it.\n";
      return std::nullopt;
    }
    std::string why;
    const std::string file = PluginAt(given, why);
    if (!file.empty()) return file;
    out << why
        << " Give the folder where SAA713x.dll is (the plug-in folder of your remote-control program), "
        << "drag the file onto this window, or press Enter "
        << (here ? "for the one beside this program.\n" : "to go on without it.\n");
  }
}

struct Action {
  enum class Kind { Install, Learn, Watch } kind;
  std::string text;
  std::string file;  // the definition to install
};

// A name for the learned definition that no file in folder has yet.
std::string FreeName(const std::string& folder) {
  std::string name = "Learned remote.cfg";
  for (int i = 2; i < 100 && Kind(folder + name) != plat::PathKind::Missing; ++i)
    name = "Learned remote " + std::to_string(i) + ".cfg";
  return name;
}

class Session {
 public:
  Session(const GuidedPlaces& places, Input& in, Output& out) : places_(places), in_(in), out_(out) {}

  int Run() {
    const CardsReport cards = RunCards({-1, places_.definitions, "", ""});
    if (cards.fits.empty()) {
      out_ << "No capture device can be read: install the driver that came with the SAA713x card and check "
              "that the card sits in this computer, then start this program again.\n";
      return 2;
    }
    out_ << "The capture devices, with the known cards' definitions that fit them:\n" << cards.out;
    if (!cards.err.empty())
      out_ << "The known cards' definitions are not in " << places_.definitions
           << ": keep the package's definitions folder beside this program. Learning a remote works without "
              "them.\n";
    const int32_t last = static_cast<int32_t>(cards.fits.size()) - 1;
    std::optional<int32_t> device = 0;
    if (last > 0)
      device = person_.AskNumber(
          "Which device is the card with the remote? Type its number [0]: ", 0, last, 0,
          "Type one of the device numbers shown, from 0 to " + std::to_string(last) + ".\n");
    if (!device) return 0;
    device_ = *device;
    const std::vector<KnownDefinition>& fits = cards.fits[static_cast<size_t>(device_)];
    Describe(fits);
    if (fits.size() == 1) watch_definition_ = places_.definitions + fits[0].file;

    if (std::optional<std::string> plugin = FindPlugin(places_, person_, out_)) {
      plugin_ = *plugin;
      folder_ = config::FolderOf(plugin_);
      settings_ = config::SettingsPathOf(plugin_);
      if (settings_.empty()) {
        out_ << plugin_ << ": the path is too long for the plug-in; move it to a shorter one.\n";
        plugin_.clear();
      }
    }
    std::vector<Action> actions;
    if (!plugin_.empty()) {
      for (const KnownDefinition& fit : fits)
        actions.push_back({Action::Kind::Install,
                           "Install " + fit.file + " (\"" + fit.name +
                               "\") beside the plug-in and choose it in the plug-in's settings",
                           fit.file});
      actions.push_back({Action::Kind::Learn,
                         "Learn a new remote: you press its keys one after another and name them; the "
                         "definition is saved beside the plug-in",
                         ""});
    }
    actions.push_back({Action::Kind::Watch,
                       "Watch the card's pins change while you press keys (Ctrl+C stops watching)", ""});
    return Menu(actions);
  }

 private:
  void Describe(const std::vector<KnownDefinition>& fits) {
    out_ << "\nDevice " << device_;
    if (fits.empty())
      out_ << " is not a known card: learn its remote here, you press each key and give it a name.\n";
    else if (fits.size() == 1)
      out_ << " is a known card: its remote's definition is " << fits[0].file << " (\"" << fits[0].name
           << "\").\n";
    else
      out_ << " has the IDs of cards that came with different remotes: install the definition of the one you "
              "have.\n";
  }

  int Menu(const std::vector<Action>& actions) {
    int status = 0;
    const int32_t count = static_cast<int32_t>(actions.size());
    for (;;) {
      out_ << "\nWhat shall be done? Type its number and press Enter; Enter alone ends.\n";
      for (int32_t i = 0; i < count; ++i)
        out_ << "  " << i + 1 << "  " << actions[static_cast<size_t>(i)].text << "\n";
      const std::optional<int32_t> choice = person_.AskNumber(
          "Your choice: ", 1, count, 0,
          "Type one of the numbers from 1 to " + std::to_string(count) + ", or press Enter alone to end.\n");
      if (!choice || *choice == 0) return status;
      const Action& action = actions[static_cast<size_t>(*choice - 1)];
      switch (action.kind) {
        case Action::Kind::Install: status = Install(action.file); break;
        case Action::Kind::Learn: status = Learn(); break;
        case Action::Kind::Watch: status = Watch(); break;
      }
    }
  }

  int Install(const std::string& file) {
    CardsReport report = RunCards({device_, places_.definitions, plugin_, file, false});
    out_ << report.out << report.err;
    if (report.status == 0) watch_definition_ = folder_ + file;
    return report.status;
  }

  int Learn() {
    const std::string proposed = FreeName(folder_);
    std::string name;
    for (;;) {
      const std::optional<std::string> answer =
          person_.Ask("File name of the new definition [" + proposed + "]: ");
      if (!answer) return 2;
      name = answer->empty() ? proposed : Unquoted(*answer);
      if (name.find_first_of("/\\:") != std::string::npos) {
        out_ << "Type a file name without a folder: the definition goes beside the plug-in.\n";
        continue;
      }
      if (!EndsWith(name, ".cfg")) name += ".cfg";
      if (Kind(folder_ + name) == plat::PathKind::Missing) break;
      out_ << name << " is already beside the plug-in; type another name, or press Enter for " << proposed
           << ".\n";
    }
    std::vector<std::string> args = {"learn", "--device", std::to_string(device_), "--definitions",
                                     places_.definitions};
    args.insert(args.end(), places_.learn_options.begin(), places_.learn_options.end());
    args.push_back(folder_ + name);
    const int status = RunTool(args, in_, out_, out_);
    if (Kind(folder_ + name) != plat::PathKind::File) return 2;
    watch_definition_ = folder_ + name;
    if (status == 2)
      out_ << "The check above found errors in " << name
           << ", so it is not chosen; learn the remote again, or mend the file in a text editor.\n";
    else if (SelectDefinition(settings_, device_, name))
      out_ << settings_ << " now selects " << name << " for device " << device_
           << ", so the setup dialog shows it chosen.\n";
    else
      out_ << settings_ << " cannot be written; choose " << name << " in the plug-in's setup dialog.\n";
    return status;
  }

  int Watch() {
    std::vector<std::string> args = {"watch", "--device", std::to_string(device_)};
    if (!watch_definition_.empty()) args.insert(args.end(), {"--definition", watch_definition_});
    args.insert(args.end(), places_.watch_options.begin(), places_.watch_options.end());
    return RunTool(args, in_, out_, out_);
  }

  const GuidedPlaces& places_;
  Input& in_;
  Output& out_;
  Person person_{in_, out_};
  int32_t device_ = 0;
  std::string plugin_, folder_, settings_;
  std::string watch_definition_;  // the definition the pins are read with
};

}  // namespace

int RunGuided(const GuidedPlaces& places, Input& in, Output& out) {
  out << "SAA713xRemote " << SAA_VERSION_TEXT
      << " sets up the remote control of a Philips SAA713x TV card for the SAA713x plug-in.\n"
         "(From a command prompt it also checks, watches and learns definitions: SAA713xRemote --help.)\n\n";
  const int status = Session(places, in, out).Run();
  Person(in, out).Ask("\nPress Enter to close. ");
  return status;
}

}  // namespace remote

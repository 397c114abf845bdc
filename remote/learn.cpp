#include "remote/learn.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <optional>
#include <string_view>

#include "config/code_text.h"
#include "config/ini_file.h"
#include "config/text.h"
#include "device/poll_cycle.h"
#include "events/key_event_record.h"
#include "platform/console.h"
#include "platform/file.h"
#include "platform/file_create.h"
#include "platform/sync.h"
#include "remote/check.h"
#include "remote/format.h"
#include "remote/known_cards.h"

namespace remote {
namespace {

// The pins at rest and the distinct levels of the held keys, each seen in two
// samples in a row; the pins that moved at rest are left out of the levels.
struct Levels {
  bool ok = false;  // enough idle samples
  uint32_t idle = 0, noise = 0;
  std::vector<uint32_t> held;
};

constexpr const char kTooFewIdle[] = "too few idle samples to know the pins at rest";

Levels FindLevels(const std::vector<uint32_t>& idle, const std::vector<uint32_t>& held) {
  Levels l;
  if (idle.size() < 5) return l;
  uint32_t all = 0xFFFFFFFFu, any = 0;
  for (uint32_t s : idle) {
    all &= s;
    any |= s;
  }
  l.ok = true;
  l.noise = all ^ any;
  l.idle = all;
  uint32_t last = 0;
  int run = 0;
  for (uint32_t s : held) {
    const uint32_t level = s & ~l.noise;
    if (level == l.idle) {
      run = 0;
      continue;
    }
    run = (run > 0 && level == last) ? run + 1 : 1;
    last = level;
    if (run == 2 && std::find(l.held.begin(), l.held.end(), level) == l.held.end()) l.held.push_back(level);
  }
  return l;
}

}  // namespace

Derivation DeriveMasks(const std::vector<uint32_t>& idle, const std::vector<uint32_t>& held) {
  Derivation d;
  const Levels found = FindLevels(idle, held);
  if (!found.ok) {
    d.why = kTooFewIdle;
    return d;
  }
  d.noise = found.noise;
  d.idle = found.idle;
  const std::vector<uint32_t>& levels = found.held;
  d.keys_seen = static_cast<int>(levels.size());
  if (levels.empty()) {
    d.why =
        "no pin changed while keys were held: hold each key for a moment, and check that the receiver is "
        "connected";
    return d;
  }
  if (levels.size() < 2) {
    d.why = "only one held key was seen: hold at least two different keys, one after another";
    return d;
  }

  uint32_t common = 0xFFFFFFFFu, changed = 0, varying = 0;
  for (uint32_t level : levels) {
    common &= level ^ d.idle;
    changed |= level ^ d.idle;
    varying |= level ^ levels[0];
  }
  std::string press_text;
  if (common != 0) {
    const uint32_t up = common & ~d.idle;
    d.masks.press_mask = up != 0 ? up : common;
    d.masks.press_flag = up != 0;
    if (varying == 0) {
      d.why = "the held keys did not differ in any pin: hold different keys";
      return d;
    }
    // Code pins lie side by side: a pin between two that changed is one that
    // the held keys happened not to use, and a key left untaught must not
    // lose it and pass for a taught one.
    const uint32_t low = varying & (~varying + 1);
    const uint32_t span = (0xFFFFFFFFu >> std::countl_zero(varying)) & ~(low - 1);
    d.masks.key_mask = span & ~d.noise & ~d.masks.press_mask;
    d.sure = levels.size() >= 3 && std::popcount(common) == 1;
    press_text = "press " + PinsWord(d.masks.press_mask) + " (PressMask " + Hex(d.masks.press_mask) + ", " +
                 (d.masks.press_flag ? "high" : "low") + " while a key is held: PressFlag " +
                 (d.masks.press_flag ? "1" : "0") + ")";
  } else if ((d.idle & changed) == 0) {
    // No pin changes with every key, but every pin that changes rests low:
    // "any of them high" tells a key, and they carry the code as well.
    d.masks.press_mask = changed;
    d.masks.press_flag = true;
    d.masks.key_mask = changed;
    press_text = "no press pin of its own: a key is held while any of pins " + PinList(changed) +
                 " is high (PressMask " + Hex(changed) + ", PressFlag 1)";
  } else {
    d.why =
        "no pin separates idle from pressed: each pin that changed took its idle level under some held key";
    return d;
  }
  d.masks.release_detect = true;
  d.ok = true;
  d.summary = "Found " + press_text + ", code " + PinsWord(d.masks.key_mask) + " (KeyMask " +
              Hex(d.masks.key_mask) + "), from " + std::to_string(levels.size()) + " different keys.";
  if (d.noise != 0) d.summary += " Pins " + PinList(d.noise) + " changed while idle and are left out.";
  if (d.sure) {
    d.summary += " Sure: one pin changed with every key and nothing else did.";
  } else if (common != 0 && std::popcount(common) > 1) {
    d.summary += " Not sure: " + PinList(common) +
                 " all changed with every key; if some of them carry the code, hold more different keys.";
  } else {
    d.summary += " Fairly sure; holding more different keys would make it surer.";
  }
  return d;
}

namespace {

// Why the same samples refute masks taken from a definition: every sample at
// rest must read as no key, every held key as a key, and two or more held keys
// with codes that differ. Empty when they fit.
std::string MasksMisfit(const config::Masks& masks, const std::vector<uint32_t>& idle,
                        const std::vector<uint32_t>& held) {
  const Levels found = FindLevels(idle, held);
  if (!found.ok) return kTooFewIdle;
  bool previous = false;
  for (uint32_t s : idle) {
    if (device::PollDecide(s, masks, previous).Pressed)
      return "the pins at rest (" + Hex(s) + ") read as a held key";
  }
  std::vector<uint32_t> codes;
  for (uint32_t level : found.held) {
    if (!device::PollDecide(level, masks, previous).Pressed)
      return "a held key (pins " + Hex(level) + ") reads as no key";
    const uint32_t code = level & masks.key_mask;
    if (std::find(codes.begin(), codes.end(), code) != codes.end())
      return "two different held keys give the same code " + config::CodeText(code);
    codes.push_back(code);
  }
  if (codes.size() < 2) return "fewer than two different held keys were seen, so they cannot be confirmed";
  return {};
}

}  // namespace

std::string DefinitionText(const LearnedRemote& remote, std::string_view line_end) {
  const config::Masks& m = remote.masks;
  std::string text;
  auto line = [&](const std::string& s) {
    text += s;
    text += line_end;
  };
  line("; Remote definition made by SAA713xRemote learn.");
  line("[Setup]");
  // Names as the settings writer quotes them; NameProblem has let through
  // only those that it can write.
  auto entry = [&](const std::string& key, const std::string& value) {
    line(config::EntryText(key, value).value_or(key + "=" + value));
  };
  entry("Name", remote.name);
  line(std::string("ReleaseDetect=") + (m.release_detect ? "1" : "0"));
  line("ResetAdr=" + std::to_string(remote.reset_adr));
  line("PressMask=" + Hex(m.press_mask));
  line(std::string("PressFlag=") + (m.press_flag ? "1" : "0"));
  line("KeyMask=" + Hex(m.key_mask));
  line("");
  line("[Keys]");
  for (const LearnedKey& key : remote.keys) entry(config::CodeText(key.sample & m.key_mask), key.name);
  return text;
}

std::string NameProblem(std::string_view key, std::string_view name) {
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "%02X", byte);
      return std::string("the name holds the control character ") + code +
             ", which the plug-in does not read back";
    }
  }
  if (!config::EntryText(key, name))
    return "the name is too long for a line the plug-in reads (" + std::to_string(name.size()) +
           " characters)";
  return {};
}

namespace {

class Session {
 public:
  Session(LearnIo& io, LearnedRemote& remote) : io_(io), out_(*io.out), remote_(remote) {}

  bool Run() {
    remote_.name = AskName("Name of the remote [Learned remote]: ", "Name", events::kRemoteNameSize - 1);
    if (io_.stopped()) return Stopped();
    if (remote_.name.empty()) remote_.name = "Learned remote";

    if (io_.known_masks) out_ << io_.known_note << "\n";
    if (!Survey()) return false;

    for (;;) {
      const std::string name =
          AskName("Key name (empty to finish): ", config::CodeText(0), events::kKeyNameSize - 1);
      if (io_.stopped()) return Stopped();  // Ctrl+C while waiting for the answer
      if (name.empty()) break;
      if (!LearnKey(name)) return Stopped();
    }
    return true;
  }

 private:
  // Asks until the answer is a name the definition can hold as key's value;
  // empty at the end of the answers.
  std::string AskName(const char* prompt, std::string_view key, size_t carried) {
    for (;;) {
      out_ << prompt;
      std::string line;
      const Input::Read read = io_.in != nullptr ? io_.in->ReadLine(line) : Input::Read::End;
      if (read == Input::Read::End || io_.stopped()) {
        if (io_.echo) out_ << "\n";
        return {};
      }
      if (read == Input::Read::NotAnsi) {
        out_ << "That holds a character that the ANSI code page lacks, which the plug-in cannot show; "
                "type it another way.\n";
        continue;
      }
      line = std::string(config::TrimBlanks(line));
      if (io_.echo) out_ << line << "\n";  // answers from a file: show them
      if (const std::string problem = NameProblem(key, line); !problem.empty()) {
        out_ << "Not taken: " << problem << ". Type it again.\n";
        continue;
      }
      if (line.size() > carried) {
        out_ << "warning: the name has " << line.size() << " characters; the core gets only the first "
             << carried << ".\n";
      }
      return line;
    }
  }

  bool Stopped() {
    out_ << "Stopped; nothing written.\n";
    return false;
  }

  // The masks from the pins at rest and while keys are held.
  bool Survey() {
    out_ << "Leave the remote alone: reading the pins at rest...\n";
    std::vector<uint32_t> idle, held;
    if (!Collect(io_.idle_ms, idle)) return Stopped();
    out_ << "Now hold several different keys, one after another, each for a moment...\n";
    if (!Collect(io_.hold_ms, held)) return Stopped();
    if (io_.known_masks) {
      const std::string misfit = MasksMisfit(*io_.known_masks, idle, held);
      if (misfit.empty()) {
        out_ << "They fit: every held key reads as a key, each with a code of its own, and the pins at rest "
                "as no key.\n";
        remote_.masks = *io_.known_masks;
        known_ = true;
        return true;
      }
      out_ << "They do not fit this remote: " << misfit
           << "; the pins are surveyed as for an unknown card.\n";
    }
    const Derivation d = DeriveMasks(idle, held);
    if (!d.ok) {
      out_ << "Cannot decide: " << d.why << ".\n";
      return false;
    }
    out_ << d.summary << "\n";
    remote_.masks = d.masks;
    idle_ = d.idle;
    noise_ = d.noise;
    return true;
  }

  bool Collect(uint32_t ms, std::vector<uint32_t>& samples) {
    const uint32_t count = io_.interval_ms != 0 ? std::max<uint32_t>(1, ms / io_.interval_ms) : 1;
    for (uint32_t n = 0; n < count; ++n) {
      if (io_.stopped()) return false;
      samples.push_back(io_.sample());
      io_.pause();
    }
    return true;
  }

  // The steady level of the next press that begins after a release.
  std::optional<uint32_t> NextPress() {
    bool released = false, previous = false;
    uint32_t last = 0;
    int run = 0;
    while (!io_.stopped()) {
      const uint32_t s = io_.sample();
      if (!device::PollDecide(s, remote_.masks, previous).Pressed) {
        released = true;
        if (run >= 2) return last;
        run = 0;
      } else if (released && run < 2) {
        run = (run > 0 && (s & ~noise_) == last) ? run + 1 : 1;
        last = s & ~noise_;
      }
      io_.pause();
    }
    return std::nullopt;
  }

  bool LearnKey(const std::string& name) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      out_ << "Press " << name << "...\n";
      std::optional<uint32_t> first = NextPress();
      if (!first) return false;
      out_ << "Press " << name << " again to confirm...\n";
      std::optional<uint32_t> second = NextPress();
      if (!second) return false;
      config::Masks& m = remote_.masks;
      // Pins that no held key moved before: the code needs them too.
      const uint32_t extra =
          known_ ? 0 : ((*first ^ idle_) | (*second ^ idle_)) & ~noise_ & ~m.press_mask & ~m.key_mask;
      const uint32_t mask = m.key_mask | extra;
      const uint32_t code = *first & mask;
      if ((*second & mask) != code) {
        out_ << "The second press gave " << config::CodeText(*second & mask) << ", not "
             << config::CodeText(code) << "; once more.\n";
        continue;
      }
      for (const LearnedKey& key : remote_.keys) {
        if ((key.sample & mask) == code) {
          out_ << "warning: code " << config::CodeText(code) << " is already taken by \"" << key.name
               << "\"; \"" << name << "\" is not added.\n";
          return true;
        }
      }
      if (extra != 0) {
        m.key_mask = mask;
        out_ << "This key also moved " << PinsWord(extra) << ": KeyMask is now " << Hex(mask) << ".\n";
      }
      remote_.keys.push_back({name, *first});
      out_ << "  " << config::CodeText(code) << "=" << name << "\n";
      return true;
    }
    out_ << "warning: the presses of " << name << " did not agree; \"" << name << "\" is not added.\n";
    return true;
  }

  LearnIo& io_;
  Output& out_;
  LearnedRemote& remote_;
  uint32_t idle_ = 0;
  uint32_t noise_ = 0;
  bool known_ = false;  // a definition's masks, confirmed: its key mask stays
};

}  // namespace

bool RunLearning(LearnIo& io, LearnedRemote& remote) { return Session(io, remote).Run(); }

}  // namespace remote

namespace remote {
namespace {

// The masks and reset pin of the shipped definition that fits the open
// device, when the definitions that fit it agree on them.
std::optional<KnownDefinition> KnownMasks(const Options& o, const CardScope& card, std::string& note) {
  if (o.device < 0 || static_cast<size_t>(o.device) >= card.devices().size()) return std::nullopt;
  const std::optional<CardIds> ids = PhilipsIds(card.devices()[static_cast<size_t>(o.device)]);
  if (!ids) return std::nullopt;
  const std::string folder = DefinitionsFolder(o);
  const std::vector<KnownDefinition> known = ReadKnownDefinitions(folder);
  const std::vector<const KnownDefinition*> matches = MatchCard(known, *ids);
  if (matches.empty()) return std::nullopt;
  KnownDefinition first = *matches[0];
  for (const KnownDefinition* other : matches) {
    const config::Masks &a = first.masks, &b = other->masks;
    if (a.press_mask != b.press_mask || a.press_flag != b.press_flag || a.key_mask != b.key_mask ||
        a.release_detect != b.release_detect || first.reset_adr != other->reset_adr)
      return std::nullopt;
  }
  note = "Known card " + CardText(*ids) + ": " + first.file + " (\"" + first.name + "\") gives PressMask " +
         Hex(first.masks.press_mask) + ", PressFlag " + (first.masks.press_flag ? "1" : "0") + ", KeyMask " +
         Hex(first.masks.key_mask) + "; the pins will show whether they fit this remote.";
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

}  // namespace

int LearnCommand(const Options& o, Input& in, Output& out, Output& err) {
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
    CardScope card(o.device, out, err);
    if (!card.open()) return 2;
    LearnIo io;
    if (std::optional<KnownDefinition> known = o.survey ? std::nullopt : KnownMasks(o, card, io.known_note)) {
      io.known_masks = known->masks;
      if (o.reset_pin < 0) remote.reset_adr = known->reset_adr;
    }
    io.sample = [&] { return device::ReadAllPins(card.card(), remote.reset_adr); };
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
  if (!WriteDefinition(path, DefinitionText(remote, config::kSystemLineEnd), o.force, err)) return 2;
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
  return CheckCommand(check, out, err);
}

}  // namespace remote

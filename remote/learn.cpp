#include "remote/learn.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <optional>

#include "remote/format.h"

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
std::string MasksMisfit(const Masks& masks, const std::vector<uint32_t>& idle,
                        const std::vector<uint32_t>& held) {
  const Levels found = FindLevels(idle, held);
  if (!found.ok) return kTooFewIdle;
  bool previous = false;
  for (uint32_t s : idle) {
    if (Decide(s, masks, previous).pressed) return "the pins at rest (" + Hex(s) + ") read as a held key";
  }
  std::vector<uint32_t> codes;
  for (uint32_t level : found.held) {
    if (!Decide(level, masks, previous).pressed)
      return "a held key (pins " + Hex(level) + ") reads as no key";
    const uint32_t code = level & masks.key_mask;
    if (std::find(codes.begin(), codes.end(), code) != codes.end())
      return "two different held keys give the same code " + CodeText(code);
    codes.push_back(code);
  }
  if (codes.size() < 2) return "fewer than two different held keys were seen, so they cannot be confirmed";
  return {};
}

}  // namespace

std::string DefinitionText(const LearnedRemote& remote, const char* line_end) {
  const Masks& m = remote.masks;
  std::string text;
  auto line = [&](const std::string& s) { text += s + line_end; };
  line("; Remote definition made by SAA713xRemote learn.");
  line("[Setup]");
  // Names as the settings writer quotes them; NameProblem has let through
  // only those that it can write.
  auto entry = [&](const std::string& key, const std::string& value) {
    const std::string written = DefinitionLine(key, value);
    line(written.empty() ? key + "=" + value : written);
  };
  entry("Name", remote.name);
  line(std::string("ReleaseDetect=") + (m.release_detect ? "1" : "0"));
  line("ResetAdr=" + std::to_string(remote.reset_adr));
  line("PressMask=" + Hex(m.press_mask));
  line(std::string("PressFlag=") + (m.press_flag ? "1" : "0"));
  line("KeyMask=" + Hex(m.key_mask));
  line("");
  line("[Keys]");
  for (const LearnedKey& key : remote.keys) entry(CodeText(key.sample & m.key_mask), key.name);
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
  if (DefinitionLine(key, name).empty())
    return "the name is too long for a line the plug-in reads (" + std::to_string(name.size()) +
           " characters)";
  return {};
}

namespace {

class Session {
 public:
  Session(LearnIo& io, LearnedRemote& remote) : io_(io), out_(*io.out), remote_(remote) {}

  bool Run() {
    remote_.name = AskName("Name of the remote [Learned remote]: ", "Name", RemoteNameCarried());
    if (io_.stopped()) return Stopped();
    if (remote_.name.empty()) remote_.name = "Learned remote";

    if (io_.known_masks) out_ << io_.known_note << "\n";
    if (!Survey()) return false;

    for (;;) {
      const std::string name = AskName("Key name (empty to finish): ", CodeText(0), KeyNameCarried());
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
      line = Trimmed(line);
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
      const Decision d = Decide(s, remote_.masks, previous);
      if (!d.pressed) {
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
      Masks& m = remote_.masks;
      // Pins that no held key moved before: the code needs them too.
      const uint32_t extra =
          known_ ? 0 : ((*first ^ idle_) | (*second ^ idle_)) & ~noise_ & ~m.press_mask & ~m.key_mask;
      const uint32_t mask = m.key_mask | extra;
      const uint32_t code = *first & mask;
      if ((*second & mask) != code) {
        out_ << "The second press gave " << CodeText(*second & mask) << ", not " << CodeText(code)
             << "; once more.\n";
        continue;
      }
      for (const LearnedKey& key : remote_.keys) {
        if ((key.sample & mask) == code) {
          out_ << "warning: code " << CodeText(code) << " is already taken by \"" << key.name << "\"; \""
               << name << "\" is not added.\n";
          return true;
        }
      }
      if (extra != 0) {
        m.key_mask = mask;
        out_ << "This key also moved " << PinsWord(extra) << ": KeyMask is now " << Hex(mask) << ".\n";
      }
      remote_.keys.push_back({name, *first});
      out_ << "  " << CodeText(code) << "=" << name << "\n";
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

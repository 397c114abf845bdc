// Learning a remote: the masks from idle and held samples, then one key
// after another, and the definition text. The sampling and the answers come
// in as arguments, so all of it runs without a card.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/definition.h"
#include "remote/command.h"
#include "remote/io.h"

namespace remote {

struct Derivation {
  bool ok = false;
  std::string why;  // why no decision could be made
  config::Masks masks;
  uint32_t idle = 0;   // the idle level of the steady pins
  uint32_t noise = 0;  // pins that changed while idle: never used
  int keys_seen = 0;   // distinct held levels
  bool sure = false;
  std::string summary;  // what was found and how sure, for the person
};

// idle: samples with no key touched; held: samples while keys were held one
// after another (idle samples between them are fine). A held level counts
// once it was seen in two samples in a row.
Derivation DeriveMasks(const std::vector<uint32_t>& idle, const std::vector<uint32_t>& held);

struct LearnedKey {
  std::string name;
  uint32_t sample = 0;  // the raw level of the confirmed press
};

struct LearnedRemote {
  std::string name;
  config::Masks masks;
  int32_t reset_adr = -1;
  std::vector<LearnedKey> keys;
};

std::string DefinitionText(const LearnedRemote& remote, std::string_view line_end);

// Why name cannot be the value of key in a definition that the plug-in reads
// back exactly; empty when it can.
std::string NameProblem(std::string_view key, std::string_view name);

// What the interactive part needs from the outside world.
struct LearnIo {
  std::function<uint32_t()> sample;  // one sample of the pins
  std::function<void()> pause;       // the time between two samples
  std::function<bool()> stopped;     // Ctrl+C
  Input* in = nullptr;               // the person's answers
  Output* out = nullptr;
  bool echo = false;  // print each answer after its question
  // The survey's two phases, as that many samples a pause apart: a stalled
  // program takes longer rather than seeing less.
  uint32_t interval_ms = 20;
  uint32_t idle_ms = 3000;
  uint32_t hold_ms = 8000;
  // A known card's masks: a guess that the survey's samples confirm, and
  // then the key mask stays; otherwise the survey decides.
  std::optional<config::Masks> known_masks;
  std::string known_note;  // said before the survey
};

// The guided session up to the finished remote. False when it was refused or
// stopped; the reason has been printed.
bool RunLearning(LearnIo& io, LearnedRemote& remote);

// The learn command: the session on the card, the file written, then checked.
int LearnCommand(const Options& o, Input& in, Output& out, Output& err);

}  // namespace remote

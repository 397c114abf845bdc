#include "tools/remote/cards.h"

#include <vector>

#include "platform/file.h"
#include "platform/file_create.h"
#include "tools/remote/known_cards.h"
#include "tools/remote/plugin_link.h"

namespace remote {
namespace {

// Definitions are a few kilobytes.
constexpr size_t kMaxDefinitionSize = 1024 * 1024;

std::string Described(const KnownDefinition& definition) {
  return definition.file + " (\"" + definition.name + "\")";
}

std::string Listed(const std::vector<const KnownDefinition*>& matches) {
  std::string text;
  for (const KnownDefinition* match : matches) text += (text.empty() ? "" : ", ") + Described(*match);
  return text;
}

// Copies the definition beside the plug-in, never over a different file.
bool CopyBeside(const std::string& from, const std::string& to, std::string& err) {
  std::string content, existing;
  if (plat::read_file(from.c_str(), kMaxDefinitionSize, content) != plat::FileRead::Ok) {
    err += from + ": cannot be read\n";
    return false;
  }
  switch (plat::read_file(to.c_str(), kMaxDefinitionSize, existing)) {
    case plat::FileRead::Ok:
      if (existing == content) return true;
      err += to + ": exists with other content; not replaced (remove or rename it first)\n";
      return false;
    case plat::FileRead::Failed: err += to + ": exists and cannot be read; not replaced\n"; return false;
    case plat::FileRead::Missing: break;
  }
  if (plat::write_new_file(to.c_str(), content)) return true;
  err += to + ": cannot be written\n";
  return false;
}

}  // namespace

CardsReport RunCards(const CardsRequest& request) {
  CardsReport report;
  const std::vector<KnownDefinition> known = ReadKnownDefinitions(request.definitions);
  if (known.empty()) {
    report.err = request.definitions + ": no definition of a known card there\n";
    report.status = 2;
    if (request.device >= 0) return report;  // a list shows the devices even so
  }
  // Device -1 describes every device and opens none.
  std::vector<std::string> lines;
  const int32_t code = OpenCard(-1, lines);
  if (code == 0) CloseCard();
  if (lines.empty()) {
    report.err = "cannot read the capture devices (code " + std::to_string(code) + ")\n";
    report.status = 2;
    return report;
  }
  std::string list = std::to_string(known.size()) + " known definitions in " + request.definitions + "\n";
  std::vector<const KnownDefinition*> chosen;
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool selected = static_cast<int32_t>(i) == request.device;
    list += (selected ? "* device " : "  device ") + std::to_string(i) + ": " + lines[i] + "\n";
    const std::optional<CardIds> ids = DeviceLineIds(lines[i]);
    std::vector<const KnownDefinition*> matches;
    if (ids) matches = MatchCard(known, *ids);
    if (selected) chosen = matches;
    report.fits.emplace_back();
    for (const KnownDefinition* match : matches) report.fits.back().push_back(*match);
    if (!ids)
      list += "      its IDs cannot be read: not a known card\n";
    else if (matches.empty())
      list += "      " + CardText(*ids) + " is not a known card\n";
    else if (matches.size() == 1)
      list += "      known card " + CardText(*ids) + ": " + Described(*matches[0]) + "\n";
    else
      list +=
          "      " + CardText(*ids) + " is the ID of cards with different remotes: " + Listed(matches) + "\n";
  }
  if (request.list) report.out = list;
  if (request.device < 0) return report;
  if (static_cast<size_t>(request.device) >= lines.size()) {
    report.err = "there is no device " + std::to_string(request.device) + "\n";
    report.status = 2;
    return report;
  }
  if (chosen.empty()) {
    report.out += "No definition fits device " + std::to_string(request.device) +
                  ". Teach its remote to the plug-in with: SAA713xRemote learn OUT.cfg\n";
    report.status = request.install.empty() ? 1 : 2;
    return report;
  }
  if (request.install.empty()) return report;

  const KnownDefinition* pick = chosen.size() == 1 && request.choice.empty() ? chosen[0] : nullptr;
  for (const KnownDefinition* match : chosen) {
    if (!request.choice.empty() && match->file == request.choice) pick = match;
  }
  if (pick == nullptr) {
    report.err = request.choice.empty()
                     ? "device " + std::to_string(request.device) + " fits " + Listed(chosen) +
                           ": choose one with --definition FILE.cfg\n"
                     : request.choice + " does not fit device " + std::to_string(request.device) +
                           "; these do: " + Listed(chosen) + "\n";
    report.status = 2;
    return report;
  }
  std::string folder, settings;
  uint64_t size = 0;
  if (!PluginFiles(request.install, folder, settings) ||
      plat::path_kind(request.install.c_str(), size) != plat::PathKind::File) {
    report.err = request.install + ": is not the plug-in's file\n";
    report.status = 2;
    return report;
  }
  if (!CopyBeside(request.definitions + pick->file, folder + pick->file, report.err)) {
    report.status = 2;
    return report;
  }
  if (!SelectDefinition(request.install, request.device, pick->file)) {
    report.err =
        settings + ": cannot be written; " + pick->file + " is in place, choose it in the setup dialog\n";
    report.status = 2;
    return report;
  }
  report.out += "Installed " + pick->file + " beside " + request.install + "; " + settings +
                " now selects it for device " + std::to_string(request.device) +
                ", so the setup dialog shows it chosen.\n";
  return report;
}

}  // namespace remote

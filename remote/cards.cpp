#include "remote/cards.h"

#include <vector>

#include "config/ini_file.h"
#include "config/settings.h"
#include "device/gpio_device.h"
#include "device/open_errors.h"
#include "platform/file.h"
#include "platform/file_create.h"
#include "platform/folder.h"
#include "remote/format.h"
#include "remote/known_cards.h"

namespace remote {
namespace {

std::string Described(const KnownDefinition& definition) {
  return definition.file + " (\"" + definition.name + "\")";
}

std::string Listed(const std::vector<const KnownDefinition*>& matches) {
  std::string text;
  for (const KnownDefinition* match : matches) text += (text.empty() ? "" : ", ") + Described(*match);
  return text;
}

std::string Names(const std::vector<std::string>& files) {
  std::string text;
  for (const std::string& file : files) text += (text.empty() ? "" : ", ") + file;
  return text;
}

// Copies the definition beside the plug-in, never over a different file. The
// plug-in's own limit: a file it reads is a file the copy takes.
bool CopyBeside(const std::string& from, const std::string& to, std::string& err) {
  std::string content, existing;
  if (plat::read_file(from.c_str(), config::kMaxIniFileSize, content) != plat::FileRead::Ok) {
    err += from + ": cannot be read\n";
    return false;
  }
  switch (plat::read_file(to.c_str(), config::kMaxIniFileSize, existing)) {
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

// What the folder read passed over, and the Cards entries it ignores.
void NoteFolder(const std::string& folder, const std::vector<KnownDefinition>& known,
                const FolderNotes& notes, std::string& err) {
  if (!notes.left_out.empty()) {
    err += folder + ": more than " + std::to_string(kMaxKnownDefinitions) + " definitions; " +
           std::to_string(notes.left_out.size()) + " not read, from " + notes.left_out.front() + " on\n";
  }
  if (!notes.unreadable.empty())
    err += folder + ": not read, the plug-in reads them as empty: " + Names(notes.unreadable) + "\n";
  for (const KnownDefinition& definition : known) {
    for (const std::string& entry : definition.ignored)
      err += folder + definition.file + ": Cards entry \"" + entry + "\" ignored: it is no card's IDs\n";
  }
}

// The definitions that name no card: boards without a PCI ID, chosen by name.
std::vector<const KnownDefinition*> ByName(const std::vector<KnownDefinition>& known) {
  std::vector<const KnownDefinition*> unnamed;
  for (const KnownDefinition& definition : known) {
    if (definition.cards.empty()) unnamed.push_back(&definition);
  }
  return unnamed;
}

// One line under a device: what its IDs say.
std::string DeviceNote(const DeviceCard& line, const std::vector<const KnownDefinition*>& matches) {
  switch (line.kind) {
    case DeviceCard::Kind::Unread:
      return "the driver did not give all its IDs: no definition can be found by them";
    case DeviceCard::Kind::OtherVendor:
      return "vendor " + Hex(line.vendor, 4) + " is not Philips (1131): no shipped definition is for it";
    case DeviceCard::Kind::Philips: break;
  }
  const std::string ids = CardText(line.ids);
  if (matches.size() == 1) return "known card " + ids + ": " + Described(*matches[0]);
  if (!matches.empty()) return ids + " is the ID of cards with different remotes: " + Listed(matches);
  if (const UnreadCard* unread = FindUnreadCard(line.ids))
    return ids + " is " + unread->card + ": its remote is not read from the pins";
  return ids + " is not a known card";
}

}  // namespace

bool SelectDefinition(const std::string& settings_path, int32_t device, const std::string& file) {
  // The interval the file holds now goes back unchanged, as from the dialog.
  return config::SaveDialogChoices(settings_path, config::ReadSavedChoice(settings_path).interval, device,
                                   file);
}

CardsReport RunCards(const CardsRequest& request) {
  CardsReport report;
  FolderNotes notes;
  const std::vector<KnownDefinition> known = ReadKnownDefinitions(request.definitions, &notes);
  NoteFolder(request.definitions, known, notes, report.err);
  if (known.empty()) {
    report.err += request.definitions + ": no definition of a known card there\n";
    report.status = 2;
    if (request.device >= 0) return report;  // a list shows the devices even so
  }
  const std::vector<const KnownDefinition*> by_name = ByName(known);
  std::string list =
      std::to_string(known.size() - by_name.size()) + " known definitions in " + request.definitions;
  if (!by_name.empty())
    list += ", and " + std::to_string(by_name.size()) + " for boards without a PCI ID (chosen by name)";
  list += "\n";

  const device::Enumeration found = device::EnumerateDevices();
  const bool complete = found.error == device::OpenError::None;
  const std::vector<device::DeviceIds>& devices = found.devices;
  const std::vector<const KnownDefinition*> none;
  DeviceCard chosen_line;
  std::vector<const KnownDefinition*> chosen;
  for (size_t i = 0; i < devices.size(); ++i) {
    const bool selected = static_cast<int32_t>(i) == request.device;
    list += (selected ? "* device " : "  device ") + std::to_string(i) + ": " +
            device::DescribeDevice(devices[i]) + "\n";
    report.fits.emplace_back();
    if (!complete) continue;  // an enumeration cut short is no ground for advice
    const DeviceCard line = CardOfDevice(devices[i]);
    const std::vector<const KnownDefinition*> matches =
        line.kind == DeviceCard::Kind::Philips ? MatchCard(known, line.ids) : none;
    if (selected) chosen = matches, chosen_line = line;
    for (const KnownDefinition* match : matches) report.fits.back().push_back(*match);
    list += "      " + DeviceNote(line, matches) + "\n";
  }
  if (request.list) report.out = list;
  if (!complete) {
    report.err += "cannot read the capture devices: " + std::string(device::OpenErrorSentence(found.error)) +
                  " (code " + std::to_string(static_cast<int32_t>(found.error)) + ")" +
                  (devices.empty() ? "" : "; the list ends before device " + std::to_string(devices.size())) +
                  "\n";
    report.status = 2;
    return report;
  }
  if (request.device < 0) return report;
  if (static_cast<size_t>(request.device) >= devices.size()) {
    report.err += "there is no device " + std::to_string(request.device) + "\n";
    report.status = 2;
    return report;
  }
  if (chosen.empty()) {
    const std::string device = "device " + std::to_string(request.device);
    const UnreadCard* unread =
        chosen_line.kind == DeviceCard::Kind::Philips ? FindUnreadCard(chosen_line.ids) : nullptr;
    if (chosen_line.kind == DeviceCard::Kind::Unread) {
      report.out += "The driver failed to give the IDs of " + device +
                    "; reinstall it, or choose a definition by name in the setup dialog.\n";
    } else if (unread != nullptr) {
      report.out += "This plug-in cannot read the remote of " + device + " (" + unread->card +
                    "): " + unread->reason +
                    " SAA713xRemote learn may still be tried, but what it finds is uncertain.\n";
    } else {
      report.out += "No definition fits " + device + " by its IDs.";
      if (!by_name.empty())
        report.out += " For a board without a PCI ID choose one by name: " + Listed(by_name) + ".";
      report.out += " Teach its remote to the plug-in with: SAA713xRemote learn OUT.cfg\n";
    }
    report.status = chosen_line.kind == DeviceCard::Kind::Unread || !request.install.empty() ? 2 : 1;
    return report;
  }
  if (request.install.empty()) return report;

  const KnownDefinition* pick = chosen.size() == 1 && request.choice.empty() ? chosen[0] : nullptr;
  for (const KnownDefinition* match : chosen) {
    if (!request.choice.empty() && plat::same_file_name(match->file, request.choice)) pick = match;
  }
  if (pick == nullptr) {
    report.err += request.choice.empty()
                      ? "device " + std::to_string(request.device) + " fits " + Listed(chosen) +
                            ": choose one with --definition FILE.cfg\n"
                      : request.choice + " does not fit device " + std::to_string(request.device) +
                            "; these do: " + Listed(chosen) + "\n";
    report.status = 2;
    return report;
  }
  const std::string folder = config::FolderOf(request.install);
  const std::string settings = config::SettingsPathOf(request.install);
  uint64_t size = 0;
  if (settings.empty() || plat::path_kind(request.install.c_str(), size) != plat::PathKind::File) {
    report.err += request.install + ": is not the plug-in's file\n";
    report.status = 2;
    return report;
  }
  if (!CopyBeside(request.definitions + pick->file, folder + pick->file, report.err)) {
    report.status = 2;
    return report;
  }
  if (!SelectDefinition(settings, request.device, pick->file)) {
    report.err +=
        settings + ": cannot be written; " + pick->file + " is in place, choose it in the setup dialog\n";
    report.status = 2;
    return report;
  }
  report.out += "Installed " + pick->file + " beside " + request.install + "; " + settings +
                " now selects it for device " + std::to_string(request.device) +
                ", so the setup dialog shows it chosen.\n";
  return report;
}

int CardsCommand(const Options& o, Output& out, Output& err) {
  if (!o.files.empty()) {
    err << kUsage;
    return 2;
  }
  const CardsReport report = RunCards({o.device, DefinitionsFolder(o), o.install, o.definition});
  out << report.out;
  err << report.err;
  return report.status;
}

}  // namespace remote

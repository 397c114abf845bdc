#include "config/settings.h"

#include <cstring>
#include <utility>
#include <vector>

#include "config/ini_file.h"

namespace config {

char ModulePath[260] = "";

std::atomic<int32_t> Interval{kDefaultInterval};
std::atomic<int32_t> Device{0};
std::atomic<int32_t> Wait1{kDefaultWait1};
std::atomic<int32_t> WaitN{kDefaultWaitN};
std::atomic<int32_t> WaitR{kDefaultWaitR};

LoadedRemote Remote;

StringList* KeyList = nullptr;
StringList* RemoteNameList = nullptr;

namespace {

constexpr std::string_view kMain = "Main";
// The definition read when the settings name none.
constexpr std::string_view kDefaultConfig = "AverTV.cfg";

// ModulePath is a fixed field; one that lost its end holds no path.
std::string_view ModulePathText() {
  const void* end = std::memchr(ModulePath, '\0', sizeof ModulePath);
  if (!end) return {};
  return {ModulePath, static_cast<size_t>(static_cast<const char*>(end) - ModulePath)};
}

size_t FileNameStart(std::string_view path) {
  size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

}  // namespace

void CreateConfigurationLists() {
  if (RemoteNameList == nullptr) RemoteNameList = new StringList();
  if (KeyList == nullptr) KeyList = new StringList();
}

void FreeConfigurationLists() {
  delete KeyList;
  KeyList = nullptr;
  delete RemoteNameList;
  RemoteNameList = nullptr;
  Remote = LoadedRemote();
}

std::string SettingsPathOf(std::string_view path) {
  if (path.empty() || path.size() >= sizeof ModulePath) return {};
  size_t dot = path.find_last_of('.');
  if (dot != std::string_view::npos && dot >= FileNameStart(path)) path = path.substr(0, dot);
  return std::string(path) + ".ini";
}

std::string FolderOf(std::string_view path) {
  if (path.size() >= sizeof ModulePath) return {};
  return std::string(path.substr(0, FileNameStart(path)));
}

std::string SettingsPath() { return SettingsPathOf(ModulePathText()); }

std::string ModuleFolder() { return FolderOf(ModulePathText()); }

void LoadConfiguration() {
  const std::string settings_path = SettingsPath();
  std::string config;
  {
    IniFile settings(settings_path);
    config = settings.ReadString(kMain, "DefaultConfig", kDefaultConfig);
    Interval.store(settings.ReadInteger(kMain, "Interval", Interval.load()));
    Device.store(settings.ReadInteger(kMain, "Device", Device.load()));
  }

  // Without a path of our own there is no folder to read a definition from.
  const Definition definition =
      ReadDefinition(settings_path.empty() ? std::string() : ModuleFolder() + config);
  if (RemoteNameList) {
    RemoteNameList->Clear();
    RemoteNameList->Add(definition.name);
  }
  if (KeyList) {
    KeyList->Clear();
    std::string line;
    for (const DefinitionKey& key : definition.keys)
      KeyList->Add(line.assign(key.code).append("=").append(key.name));
  }
  Remote.masks = definition.masks;
  Remote.reset_adr = definition.reset_adr;
  Remote.keys = std::make_shared<const KeyIndex>(definition.keys, definition.name);
}

void ReadWaits() {
  IniFile settings(SettingsPath());
  Wait1.store(settings.ReadInteger(kMain, "Wait1", Wait1.load()));
  WaitN.store(settings.ReadInteger(kMain, "WaitN", WaitN.load()));
  WaitR.store(settings.ReadInteger(kMain, "WaitR", WaitR.load()));
}

void SaveWaits() {
  // A failed write is not reported: the values in memory stay and the file
  // keeps what it had.
  IniFile(SettingsPath())
      .WriteValues(kMain, {{"Wait1", std::to_string(Wait1.load())},
                           {"WaitN", std::to_string(WaitN.load())},
                           {"WaitR", std::to_string(WaitR.load())}});
}

SavedChoice ReadSavedChoice() { return ReadSavedChoice(SettingsPath()); }

SavedChoice ReadSavedChoice(const std::string& settings_path) {
  const IniFile settings(settings_path);
  SavedChoice choice;
  choice.definition = settings.ReadString(kMain, "DefaultConfig", kDefaultConfig);
  choice.device = settings.ReadInteger(kMain, "Device", 0);
  choice.interval = settings.ReadInteger(kMain, "Interval", kDefaultInterval);
  return choice;
}

bool SaveDialogChoices(int32_t interval, int32_t device, std::string_view definition) {
  return SaveDialogChoices(SettingsPath(), interval, device, definition);
}

bool SaveDialogChoices(const std::string& settings_path, int32_t interval, int32_t device,
                       std::string_view definition) {
  std::vector<std::pair<std::string, std::string>> entries;
  entries.emplace_back("Interval", std::to_string(interval));
  if (device >= 0) entries.emplace_back("Device", std::to_string(device));
  entries.emplace_back("DefaultConfig", std::string(definition));
  return IniFile(settings_path).WriteValues(kMain, entries);
}

}  // namespace config

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
std::atomic<bool> ReleaseDetect{true};
std::atomic<int32_t> ResetAdr{-1};
std::atomic<uint32_t> PressMask{0};
std::atomic<bool> PressFlag{false};
std::atomic<uint32_t> KeyMask{0xFFFFFFFFu};
std::atomic<int32_t> CodeDigits{kDefaultCodeDigits};

StringList* KeyList = nullptr;
StringList* RemoteNameList = nullptr;

namespace {

constexpr std::string_view kMain = "Main";
constexpr std::string_view kSetup = "Setup";
constexpr std::string_view kKeys = "Keys";

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
}

std::string SettingsPath() {
  std::string_view path = ModulePathText();
  if (path.empty()) return {};
  size_t dot = path.find_last_of('.');
  if (dot != std::string_view::npos && dot >= FileNameStart(path)) path = path.substr(0, dot);
  return std::string(path) + ".ini";
}

std::string ModuleFolder() {
  std::string_view path = ModulePathText();
  return std::string(path.substr(0, FileNameStart(path)));
}

void LoadConfiguration() {
  const std::string settings_path = SettingsPath();
  std::string config;
  {
    IniFile settings(settings_path);
    config = settings.ReadString(kMain, "DefaultConfig", "AverTV.cfg");
    Interval.store(settings.ReadInteger(kMain, "Interval", Interval.load()));
    Device.store(settings.ReadInteger(kMain, "Device", Device.load()));
  }

  // A definition that lacks a key gets the built-in value, not the previous one.
  // Without a path of our own there is no folder to read a definition from.
  IniFile definition(settings_path.empty() ? std::string() : ModuleFolder() + config);
  if (RemoteNameList) {
    RemoteNameList->Clear();
    RemoteNameList->Add(definition.ReadString(kSetup, "Name", "<Unknown>"));
  }
  ReleaseDetect.store(definition.ReadBool(kSetup, "ReleaseDetect", true));
  ResetAdr.store(definition.ReadInteger(kSetup, "ResetAdr", -1));
  PressMask.store(HexTextToInt(definition.ReadString(kSetup, "PressMask", "0")));
  PressFlag.store(definition.ReadBool(kSetup, "PressFlag", false));
  KeyMask.store(HexTextToInt(definition.ReadString(kSetup, "KeyMask", "FFFFFFFF")));
  if (KeyList) {
    KeyList->Clear();
    definition.ReadSectionValues(kKeys, *KeyList);
  }
  CodeDigits.store(kDefaultCodeDigits);
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

SavedChoice ReadSavedChoice() {
  const IniFile settings(SettingsPath());
  SavedChoice choice;
  choice.definition = settings.ReadString(kMain, "DefaultConfig", "AverTV.cfg");
  choice.device = settings.ReadInteger(kMain, "Device", 0);
  return choice;
}

bool SaveDialogChoices(int32_t interval, int32_t device, std::string_view definition) {
  std::vector<std::pair<std::string, std::string>> entries;
  entries.emplace_back("Interval", std::to_string(interval));
  if (device >= 0) entries.emplace_back("Device", std::to_string(device));
  entries.emplace_back("DefaultConfig", std::string(definition));
  return IniFile(SettingsPath()).WriteValues(kMain, entries);
}

uint32_t HexTextToInt(std::string_view text) {
  // Any text not starting with "0x" gets the prefix, so only what follows it
  // counts: one or more hexadecimal digits and nothing else.
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  if (text.empty()) return 0;
  uint64_t value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return 0;
    if (value > (UINT64_MAX >> 4)) return 0;  // does not fit in 64 bits
    value = (value << 4) | digit;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace config

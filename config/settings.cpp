#include "config/settings.h"

#include <cstring>

#include "config/ini_file.h"

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

// ModulePath is a fixed field; never read past it even if it lost its end.
std::string_view ModulePathText() {
  const void* end = std::memchr(ModulePath, '\0', sizeof ModulePath);
  size_t length =
      end ? static_cast<size_t>(static_cast<const char*>(end) - ModulePath) : sizeof ModulePath;
  return {ModulePath, length};
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
  size_t dot = path.find_last_of('.');
  if (dot != std::string_view::npos && dot >= FileNameStart(path)) path = path.substr(0, dot);
  return std::string(path) + ".ini";
}

std::string ModuleFolder() {
  std::string_view path = ModulePathText();
  return std::string(path.substr(0, FileNameStart(path)));
}

void LoadConfiguration() {
  std::string config;
  {
    IniFile settings(SettingsPath());
    config = settings.ReadString(kMain, "DefaultConfig", "AverTV.cfg");
    Interval.store(settings.ReadInteger(kMain, "Interval", Interval.load()));
    Device.store(settings.ReadInteger(kMain, "Device", Device.load()));
  }

  // A definition that lacks a key gets the built-in value, not the previous one.
  IniFile definition(ModuleFolder() + config);
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
  IniFile settings(SettingsPath());
  settings.WriteInteger(kMain, "Wait1", Wait1.load());
  settings.WriteInteger(kMain, "WaitN", WaitN.load());
  settings.WriteInteger(kMain, "WaitR", WaitR.load());
}

uint32_t HexTextToInt(std::string_view text) {
  // Any text not starting with "0x" gets the prefix, so only what follows it
  // counts: one or more hexadecimal digits and nothing else.
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
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

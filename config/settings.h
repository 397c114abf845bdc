// The plug-in-wide settings and the configuration lists.
// Written on the core's thread; the worker threads read them while they run.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/string_list.h"

namespace config {

// The built-in values, before any file is read.
constexpr int32_t kDefaultInterval = 50;
constexpr int32_t kDefaultWait1 = 300;
constexpr int32_t kDefaultWaitN = 100;
constexpr int32_t kDefaultWaitR = 200;
constexpr int32_t kDefaultCodeDigits = 8;

// Full path of the plug-in library (set by Open).
extern char ModulePath[260];

extern std::atomic<int32_t> Interval;  // ms between GPIO samples
extern std::atomic<int32_t> Device;    // device number to open
extern std::atomic<int32_t> Wait1;     // ms to the first auto-repeat
extern std::atomic<int32_t> WaitN;     // ms between auto-repeats
extern std::atomic<int32_t> WaitR;     // ms without a sample that count as a release
extern std::atomic<bool> ReleaseDetect;
extern std::atomic<int32_t> ResetAdr;
extern std::atomic<uint32_t> PressMask;
extern std::atomic<bool> PressFlag;
extern std::atomic<uint32_t> KeyMask;
extern std::atomic<int32_t> CodeDigits;

// Created by Open, freed by Close; refilled only while the workers are stopped.
extern StringList* KeyList;
extern StringList* RemoteNameList;
// A second Open keeps the lists it has.
void CreateConfigurationLists();
void FreeConfigurationLists();

// ModulePath with its extension replaced by ".ini"; empty when ModulePath is
// (the library's path did not fit): then nothing is read or written.
std::string SettingsPath();
// ModulePath up to and including its last path separator.
std::string ModuleFolder();

void LoadConfiguration();
// Wait1, WaitN and WaitR from [Main], each defaulting to its current value.
void ReadWaits();
// Wait1, WaitN and WaitR into [Main], in this order, with one replace of the file.
void SaveWaits();

// What the dialog preselects: [Main] DefaultConfig ("AverTV.cfg") and Device (0).
struct SavedChoice {
  std::string definition;
  int32_t device = 0;
};
SavedChoice ReadSavedChoice();
// The dialog's [Main] keys Interval, Device and DefaultConfig, in this order,
// with one replace of the file. A negative device (none selected) keeps the
// saved one. False when the file could not be written.
bool SaveDialogChoices(int32_t interval, int32_t device, std::string_view definition);
uint32_t HexTextToInt(std::string_view text);

}  // namespace config

// The plug-in-wide settings and the configuration lists.
// Written on the core's thread; the worker threads read them while they run.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "config/definition.h"
#include "config/key_index.h"
#include "config/string_list.h"

namespace config {

// The built-in values, before any file is read.
constexpr int32_t kDefaultInterval = 50;
constexpr int32_t kDefaultWait1 = 300;
constexpr int32_t kDefaultWaitN = 100;
constexpr int32_t kDefaultWaitR = 200;

// Full path of the plug-in library (set by Open).
extern char ModulePath[260];

extern std::atomic<int32_t> Interval;  // ms between GPIO samples
extern std::atomic<int32_t> Device;    // device number to open
extern std::atomic<int32_t> Wait1;     // ms to the first auto-repeat
extern std::atomic<int32_t> WaitN;     // ms between auto-repeats
extern std::atomic<int32_t> WaitR;     // ms without a sample that count as a release

// The selected definition as the workers use it: replaced by
// LoadConfiguration on the core's thread, handed to the workers by Start, so
// a run keeps the keys it started with.
struct LoadedRemote {
  Masks masks;
  int32_t reset_adr = -1;
  std::shared_ptr<const KeyIndex> keys;  // null before the first load: no code is named
};
extern LoadedRemote Remote;

// The lines the setup dialog shows: created by Open, freed by Close, and
// filled by LoadConfiguration from the same read as Remote.
extern StringList* KeyList;
extern StringList* RemoteNameList;
// A second Open keeps the lists it has.
void CreateConfigurationLists();
// Also forgets Remote's keys.
void FreeConfigurationLists();

// ModulePath with its extension replaced by ".ini"; empty when ModulePath is
// (the library's path did not fit): then nothing is read or written.
std::string SettingsPath();
// ModulePath up to and including its last path separator.
std::string ModuleFolder();
// The same for the plug-in library at module_path, as another program finds
// a plug-in's files. A path longer than ModulePath holds gives "": the
// plug-in itself could not find its files there.
std::string SettingsPathOf(std::string_view module_path);
std::string FolderOf(std::string_view module_path);

// [Main] DefaultConfig, Interval and Device, then the definition it names
// (a missing one, or a missing key, gives the built-in values).
void LoadConfiguration();
// Wait1, WaitN and WaitR from [Main], each defaulting to its current value.
void ReadWaits();
// Wait1, WaitN and WaitR into [Main], in this order, with one replace of the file.
void SaveWaits();

// What the dialog preselects: [Main] DefaultConfig ("AverTV.cfg") and Device
// (0); and Interval, as a fresh load reads it.
struct SavedChoice {
  std::string definition;
  int32_t device = 0;
  int32_t interval = kDefaultInterval;
};
SavedChoice ReadSavedChoice();
SavedChoice ReadSavedChoice(const std::string& settings_path);
// The dialog's [Main] keys Interval, Device and DefaultConfig, in this order,
// with one replace of the file. A negative device (none selected) keeps the
// saved one. False when the file could not be written.
bool SaveDialogChoices(int32_t interval, int32_t device, std::string_view definition);
bool SaveDialogChoices(const std::string& settings_path, int32_t interval, int32_t device,
                       std::string_view definition);

}  // namespace config

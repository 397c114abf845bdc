#include "remote/plugin_link.h"

#include <climits>
#include <cstring>

#include "config/ini_file.h"
#include "config/ini_text.h"
#include "config/settings.h"
#include "config/string_list.h"
#include "device/gpio_device.h"
#include "device/open_errors.h"
#include "device/poll_cycle.h"
#include "events/code_text.h"
#include "events/key_event_record.h"
#include "events/key_naming.h"
#include "platform/file.h"

using namespace config;
using namespace device;

namespace remote {
namespace {

constexpr std::string_view kSetup = "Setup";

// OpenDevice describes the devices into the shared DeviceList; the tool
// lends it a list of its own while the card is open.
StringList* LentList = nullptr;
StringList* ListBefore = nullptr;

bool Refused(const IniFile& file, std::string_view key) {
  // A present key reads the same whatever the fallback; a value the integer
  // reading takes cannot equal both of its fallbacks.
  const bool present = file.ReadString(kSetup, key, "a") == file.ReadString(kSetup, key, "b");
  return present && file.ReadInteger(kSetup, key, INT32_MIN) == INT32_MIN &&
         file.ReadInteger(kSetup, key, INT32_MAX) == INT32_MAX;
}

}  // namespace

std::vector<SourceLine> ReadSourceLines(const std::string& path) {
  std::vector<SourceLine> lines;
  for (IniLine& line : IniFile(path).ReadLines()) {
    SourceLine out;
    out.number = line.number;
    switch (line.kind) {
      case IniLine::Kind::Blank: out.kind = SourceLine::Kind::Blank; break;
      case IniLine::Kind::Comment: out.kind = SourceLine::Kind::Comment; break;
      case IniLine::Kind::Section: out.kind = SourceLine::Kind::Section; break;
      case IniLine::Kind::Entry: out.kind = SourceLine::Kind::Entry; break;
      case IniLine::Kind::Other: out.kind = SourceLine::Kind::Other; break;
    }
    out.section = std::move(line.section);
    out.key = std::move(line.key);
    out.value = std::move(line.value);
    out.text = std::move(line.text);
    out.lossy = line.lossy;
    lines.push_back(std::move(out));
  }
  return lines;
}

const uint64_t kMaxDefinitionSize = kMaxIniFileSize;
const size_t kMaxLineLength = kMaxIniLineLength;

FileText ReadFileText(const std::string& path) {
  std::string bytes;
  FileText file;
  file.readable = plat::read_file(path.c_str(), kMaxIniFileSize, bytes) == plat::FileRead::Ok;
  const IniText text(bytes);
  file.marked = text.Encoding() != TextEncoding::Ansi;
  file.only_mark = file.marked && text.BodyStart() == bytes.size();
  return file;
}

Definition ReadDefinition(const std::string& path) {
  // The same reads, defaults and conversions as LoadConfiguration.
  IniFile file(path);
  Definition definition;
  definition.name = file.ReadString(kSetup, "Name", "<Unknown>");
  definition.masks.release_detect = file.ReadBool(kSetup, "ReleaseDetect", true);
  definition.reset_adr = file.ReadInteger(kSetup, "ResetAdr", -1);
  definition.masks.press_mask = HexTextToInt(file.ReadString(kSetup, "PressMask", "0"));
  definition.masks.press_flag = file.ReadBool(kSetup, "PressFlag", false);
  definition.masks.key_mask = HexTextToInt(file.ReadString(kSetup, "KeyMask", "FFFFFFFF"));
  StringList keys;
  file.ReadSectionValues("Keys", keys);
  for (int i = 0; i < keys.Count(); ++i) definition.keys.push_back(keys[i]);
  definition.release_detect_refused = Refused(file, "ReleaseDetect");
  definition.reset_adr_refused = Refused(file, "ResetAdr");
  definition.press_flag_refused = Refused(file, "PressFlag");
  return definition;
}

std::string ReadSetupValue(const std::string& path, std::string_view key) {
  return IniFile(path).ReadString(kSetup, key, "");
}

std::string DefinitionLine(std::string_view key, std::string_view value) {
  return EntryText(key, value).value_or(std::string());
}

size_t KeyNameCarried() { return events::kKeyNameSize - 1; }
size_t RemoteNameCarried() { return events::kRemoteNameSize - 1; }

uint32_t MaskValue(std::string_view text) { return HexTextToInt(text); }

std::string CodeText(uint64_t code) {
  char text[events::kCodeTextSize];
  size_t length = events::FormatCodeText(code, 8, text);
  return std::string(text, length);
}

KeyName NameCode(std::string_view code_text, const std::vector<std::string>& keys) {
  StringList list;
  for (const std::string& key : keys) list.Add(key);
  StringList remotes;
  events::KeyNaming naming = events::NameKey(code_text, &list, &remotes);
  if (!naming.found) return {};
  return {true, std::string(naming.key_name)};
}

Decision Decide(uint32_t sample, const Masks& masks, bool& previous) {
  PollMasks poll;
  poll.PressMask = masks.press_mask;
  poll.PressFlag = masks.press_flag;
  poll.KeyMask = masks.key_mask;
  poll.ReleaseDetect = masks.release_detect;
  PollReport report = PollDecide(sample, poll, previous);
  return {report.Report, report.Pressed, report.Code};
}

int32_t OpenCard(int32_t index, std::vector<std::string>& lines) {
  ListBefore = DeviceList;
  LentList = new StringList();
  DeviceList = LentList;
  int32_t code = OpenDevice(index);
  for (int i = 0; i < LentList->Count(); ++i) lines.push_back((*LentList)[i]);
  if (code != 0) {
    DeviceList = ListBefore;
    delete LentList;
    LentList = nullptr;
  }
  return code;
}

uint32_t ReadCard(int32_t reset_pin) { return ReadAllPins(reset_pin); }

std::string OpenFailure(int32_t code) { return OpenErrorSentence(code); }

void CloseCard() {
  CloseDevice();
  if (LentList != nullptr) {
    DeviceList = ListBefore;
    delete LentList;
    LentList = nullptr;
  }
}

namespace {

// The plug-in's own path, as Open records it, for as long as the object lives.
class BorrowedModulePath {
 public:
  explicit BorrowedModulePath(const std::string& path) {
    std::memcpy(saved_, ModulePath, sizeof saved_);
    fits_ = path.size() < sizeof ModulePath;
    std::memset(ModulePath, 0, sizeof ModulePath);
    if (fits_) std::memcpy(ModulePath, path.data(), path.size());
  }
  ~BorrowedModulePath() { std::memcpy(ModulePath, saved_, sizeof saved_); }
  bool fits() const { return fits_; }

 private:
  char saved_[sizeof ModulePath];
  bool fits_;
};

}  // namespace

bool PluginFiles(const std::string& plugin_path, std::string& folder, std::string& settings) {
  BorrowedModulePath borrowed(plugin_path);
  if (!borrowed.fits()) return false;
  folder = ModuleFolder();
  settings = SettingsPath();
  return !settings.empty();
}

bool SelectDefinition(const std::string& plugin_path, int32_t device, const std::string& file) {
  BorrowedModulePath borrowed(plugin_path);
  if (!borrowed.fits()) return false;
  // The interval the file holds now goes back unchanged, as from the dialog.
  const int32_t interval_before = Interval.load();
  LoadConfiguration();
  const bool saved = SaveDialogChoices(Interval.load(), device, file);
  Interval.store(interval_before);
  return saved;
}

}  // namespace remote

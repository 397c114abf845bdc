#include "sim/script.h"

#include <charconv>

#include "config/text.h"

namespace sim {
namespace {

using config::IsBlank;
using config::TrimBlanks;

// Splits off the next blank-separated word.
std::string_view NextWord(std::string_view& rest) {
  rest = TrimBlanks(rest);
  size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end);
  return word;
}

bool ParseNumber(std::string_view word, int base, uint32_t& value) {
  if (word.empty()) return false;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  return ec == std::errc() && end == word.data() + word.size();
}

bool ParseDuration(std::string_view word, uint32_t& ms) {
  return ParseNumber(word, 10, ms) && ms <= kMaxStepMs;
}

struct CallName {
  const char* Name;
  Call What;
};
constexpr CallName kCallNames[] = {
    {"create", Call::Create},         {"count", Call::DeviceCount},
    {"device", Call::Device},         {"gpio", Call::Gpio},
    {"vendor", Call::VendorId},       {"deviceid", Call::DeviceId},
    {"subvendor", Call::SubVendorId}, {"subdevice", Call::SubDeviceId},
    {"revision", Call::Revision},     {"pin", Call::Pin},
};

bool ParseFailure(std::string_view rest, ScriptFailure& failure) {
  std::string_view name = NextWord(rest);
  bool known = false;
  for (const CallName& call : kCallNames) {
    if (name == call.Name) {
      failure.What = call.What;
      known = true;
    }
  }
  if (!known) return false;
  failure.Device = kAnyDevice;
  failure.Status = static_cast<int32_t>(0x80004005u);
  std::string_view device = NextWord(rest);
  if (!device.empty() && device != "*") {
    uint32_t index = 0;
    if (!ParseNumber(device, 10, index) || index >= kMaxDevices) return false;
    failure.Device = static_cast<int32_t>(index);
  }
  std::string_view status = NextWord(rest);
  if (!status.empty()) {
    uint32_t value = 0;
    if (!ParseNumber(status, 16, value)) return false;
    failure.Status = static_cast<int32_t>(value);
  }
  return TrimBlanks(rest).empty();
}

bool ParseStatement(std::string_view line, Script& script, std::string& why) {
  std::string_view rest = line;
  std::string_view first = NextWord(rest);
  if (first == "device") {
    uint32_t v[5];
    for (uint32_t& value : v) {
      if (!ParseNumber(NextWord(rest), 16, value)) return why = "device needs five hex ids", false;
    }
    if (script.Devices.size() >= kMaxDevices) return why = "too many devices", false;
    script.Devices.push_back(PciIds{v[0], v[1], v[2], v[3], v[4]});
  } else if (first == "idle") {
    if (!ParseNumber(NextWord(rest), 16, script.IdlePins)) return why = "idle needs hex pins", false;
  } else if (first == "steady") {
    if (!ParseNumber(NextWord(rest), 16, script.SteadyPins)) return why = "steady needs hex pins", false;
  } else if (first == "press") {
    if (!ParseNumber(NextWord(rest), 16, script.PressPins)) return why = "press needs hex pins", false;
  } else if (first == "key") {
    ScriptStep step;
    if (!ParseNumber(NextWord(rest), 16, step.Pins)) return why = "key needs a hex code", false;
    step.Pins |= script.PressPins;
    if (!ParseDuration(NextWord(rest), step.DurationMs)) return why = "bad duration", false;
    script.Steps.push_back(step);
  } else if (first == "pause") {
    ScriptStep step;
    step.Idle = true;
    if (!ParseDuration(NextWord(rest), step.DurationMs)) return why = "bad duration", false;
    script.Steps.push_back(step);
  } else if (first == "tick") {
    if (!ParseDuration(NextWord(rest), script.TickMs) || script.TickMs == 0)
      return why = "tick needs a duration above 0", false;
  } else if (first == "fail") {
    ScriptFailure failure;
    if (!ParseFailure(rest, failure)) return why = "fail needs CALL [DEVICE|*] [STATUS]", false;
    script.Failures.push_back(failure);
    return true;
  } else {
    ScriptStep step;
    if (!ParseNumber(first, 16, step.Pins)) return why = "unknown statement", false;
    if (!ParseDuration(NextWord(rest), step.DurationMs)) return why = "bad duration", false;
    script.Steps.push_back(step);
  }
  if (script.Steps.size() > kMaxScriptSteps) return why = "too many steps", false;
  if (!TrimBlanks(rest).empty()) return why = "unexpected text at the end", false;
  return true;
}

}  // namespace

uint32_t Script::PinsAt(uint64_t elapsedMs) const {
  uint64_t start = 0;
  for (const ScriptStep& step : Steps) {
    if (elapsedMs < start + step.DurationMs) return (step.Idle ? IdlePins : step.Pins) | SteadyPins;
    start += step.DurationMs;
  }
  return IdlePins | SteadyPins;
}

uint64_t Script::LengthMs() const {
  uint64_t length = 0;
  for (const ScriptStep& step : Steps) length += step.DurationMs;
  return length;
}

bool ParseScript(std::string_view text, Script& out, std::string& error) {
  Script script;
  int number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    size_t comment = line.find_first_of("#;");
    if (comment != std::string_view::npos) line = line.substr(0, comment);
    line = TrimBlanks(line);
    if (line.empty()) continue;
    std::string why;
    if (!ParseStatement(line, script, why)) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
  }
  out = std::move(script);
  return true;
}

}  // namespace sim

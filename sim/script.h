// The simulated card's session file: its devices, a remote session as pin
// levels over time, and injected failures. One statement a line:
//   device VENDOR DEVICE SUBVENDOR SUBDEVICE REVISION   (hex; replaces the default device)
//   idle PINS                                             (hex level outside the steps; default 0)
//   PINS MS                                               (hex level held for MS milliseconds)
//   pause MS                                              (the idle level for MS milliseconds)
//   steady PINS                                           (hex levels or-ed into every sample:
//                                                          pins that never change)
//   press PINS                                            (hex levels a held key adds; default 0)
//   key CODE MS                                           (a key held for MS milliseconds: the
//                                                          press levels or-ed with the hex CODE)
//   tick MS                                               (every sample moves the session on by
//                                                          MS milliseconds, whatever the clock says:
//                                                          a session that no stall can skip)
//   fail CALL [DEVICE|*] [STATUS]                         (CALL: create count device gpio vendor
//                                                          deviceid subvendor subdevice revision pin;
//                                                          STATUS hex, default 80004005)
// '#' or ';' starts a comment. Steps follow one another from the session's
// start; after the last one the pins stay at the idle level.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_control.h"

namespace sim {

struct ScriptStep {
  uint32_t Pins = 0;
  uint32_t DurationMs = 0;
  bool Idle = false;  // a pause: the idle level
};

struct ScriptFailure {
  Call What = Call::Create;
  int32_t Device = kAnyDevice;
  int32_t Status = 0;
};

struct Script {
  std::vector<PciIds> Devices;  // empty: keep the card's devices
  uint32_t IdlePins = 0;
  uint32_t SteadyPins = 0;
  uint32_t PressPins = 0;  // while parsing: the levels of the following key steps
  uint32_t TickMs = 0;     // 0: the session runs on the wall clock
  std::vector<ScriptStep> Steps;
  std::vector<ScriptFailure> Failures;

  // The pin levels elapsedMs after the session's start.
  uint32_t PinsAt(uint64_t elapsedMs) const;
  uint64_t LengthMs() const;
};

constexpr size_t kMaxScriptSteps = 10000;
constexpr uint32_t kMaxStepMs = 3600000;

// False with a message naming the line when the text is not a valid script.
bool ParseScript(std::string_view text, Script& out, std::string& error);

}  // namespace sim

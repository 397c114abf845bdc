// What the commands share: the options as parsed, the usage, Ctrl+C, the
// open card, and where the program and the known cards' definitions are.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "device/gpio_device.h"
#include "remote/io.h"

namespace remote {

extern const char kUsage[];

struct Options {
  std::vector<std::string> files;
  bool verbose = false, force = false, survey = false;
  int32_t device = 0, reset_pin = -1;
  int32_t interval = 20, duration = 0, idle_ms = 3000, hold_ms = 8000;
  std::string definition, definitions, install;
};

// The highest pin number the card has.
constexpr int32_t kMaxPin = 31;

// Ctrl+C only sets the flag for the lifetime of the object.
class InterruptScope {
 public:
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};

// The card, open for the lifetime of the object; every device reached is
// listed on out, and a failure said on err.
class CardScope {
 public:
  CardScope(int32_t device, Output& out, Output& err);
  ~CardScope();
  CardScope(const CardScope&) = delete;
  CardScope& operator=(const CardScope&) = delete;

  bool open() const { return open_; }
  const device::Card& card() const { return card_; }
  // The IDs of the devices reached, in the driver's order.
  const std::vector<device::DeviceIds>& devices() const { return devices_; }

 private:
  bool open_ = false;
  device::Card card_;
  std::vector<device::DeviceIds> devices_;
};

// The program's own folder, ending in a path separator; empty when unknown.
std::string ProgramFolder();
// The known cards' definitions: the folder given, or "definitions" beside
// the program, as the package has it. Ends in a path separator.
std::string DefinitionsFolder(const Options& o);

}  // namespace remote

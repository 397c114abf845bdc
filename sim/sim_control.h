// The simulated capture card's control surface for tests and the demo.
// Natively the card lives in the program itself; in the Windows build it lives
// inside SimVamp.dll, the COM server that CoCreateInstance loads, and control()
// reaches that very instance. The interface is virtual methods and plain
// types only, so it works across the module boundary.
#pragma once
#include <cstdint>
#include <string>

namespace sim {

// The driver calls whose failure can be injected.
enum class Call : int32_t {
  Create,       // creating the enumerator
  DeviceCount,  // get_DeviceCount
  Device,       // get_Device(i)
  Gpio,         // get_GPIO on device i
  VendorId,     // the five identification calls on device i
  DeviceId,
  SubVendorId,
  SubDeviceId,
  Revision,
  Pin,  // get_Pin on device i; the value is left alone
};
constexpr int kCallKinds = 10;
constexpr int kMaxDevices = 16;
constexpr int kAnyDevice = -1;

struct PciIds {
  uint32_t Vendor = 0x1131;     // Philips
  uint32_t Device = 0x7134;     // SAA7134
  uint32_t SubVendor = 0x1461;  // AVerMedia
  uint32_t SubDevice = 0xF31D;
  uint32_t Revision = 0x01;
};

class Control {
 public:
  // One default device, idle pins 0, no script, no failures, log off and empty.
  virtual void Reset() = 0;
  // count devices (0 to kMaxDevices), enumerated in this order. Only while the
  // card's objects are not in use.
  virtual void SetDevices(const PciIds* ids, int32_t count) = 0;
  // Direct pin levels for one device (or all with kAnyDevice); ends the script.
  virtual void SetPins(int32_t device, uint32_t pins) = 0;
  // Bits or-ed into every get_Pin value above bit 0 (for example 2).
  virtual void SetPinExtraBits(int32_t device, uint32_t bits) = 0;
  // The script drives the pins from the next enumerator creation on. False and
  // a message in error (always terminated) when the text is not valid.
  virtual bool LoadScript(const char* text, char* error, int32_t error_size) = 0;
  virtual bool LoadScriptFile(const char* path, char* error, int32_t error_size) = 0;
  // Starts the script's clock now.
  virtual void RestartScript() = 0;
  // The call returns status for that device (kAnyDevice: every device); a
  // negative one gives nothing. With a status of 0 or more, Create still gives
  // the enumerator, Gpio gives no interface, the others give their value.
  virtual void SetFailure(Call call, int32_t device, int32_t status) = 0;
  virtual void ClearFailures() = 0;
  // Call log, bounded to the most recent kLogCapacity entries.
  virtual void EnableLog(bool on) = 0;
  virtual void ClearLog() = 0;
  // Entries, each ended by '\n'. With a null buffer the length of the whole
  // text; otherwise the characters written (at most size - 1, terminated).
  virtual int32_t LogText(char* buffer, int32_t size) = 0;
  // References currently held on the card's objects (enumerators, devices, pins).
  virtual int32_t LiveReferences() = 0;
  // Enumerators created so far.
  virtual int32_t Creations() = 0;

 protected:
  ~Control() = default;
};

constexpr int kLogCapacity = 4096;

// Makes the card reachable through the COM run-time (natively: registers it
// with the substitute; on Windows: registers SimVamp.dll and loads it).
// Idempotent. Returns false when the card cannot be reached.
bool install();
// The card that OpenDevice reaches; installs it first. Null when unreachable.
Control* control();

// The whole log as text.
inline std::string log_text() {
  Control* card = control();
  if (card == nullptr) return {};
  std::string text(static_cast<size_t>(card->LogText(nullptr, 0)) + 1, '\0');
  text.resize(static_cast<size_t>(card->LogText(text.data(), static_cast<int32_t>(text.size()))));
  return text;
}

// Environment variable naming a script file that the card loads when it is
// first used. Read by the simulated card only.
constexpr char kScriptVariable[] = "SAA713X_SIM_SCRIPT";

}  // namespace sim

#include "sim/card.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sim {
namespace {

constexpr int32_t kClassNotRegistered = static_cast<int32_t>(0x80040154u);

bool SameGuid(const plat::Guid& a, const plat::Guid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CopyError(const std::string& message, char* error, int32_t size) {
  if (error == nullptr || size <= 0) return;
  std::snprintf(error, static_cast<size_t>(size), "%s", message.c_str());
}

// Objects of the card answer IUnknown and, for the enumerator, its own interface.
template <typename Object>
int32_t QueryFor(Object* object, const plat::Guid& iid, void** out, bool own_interface) {
  if (out == nullptr) return device::kVampPointer;
  if (SameGuid(iid, device::IID_VampUnknown) || own_interface) {
    object->AddRef();
    *out = object;
    return device::kVampOk;
  }
  *out = nullptr;
  return device::kVampNoInterface;
}

uint32_t Remaining(std::atomic<int32_t>& references) {
  return static_cast<uint32_t>(references.fetch_sub(1, std::memory_order_acq_rel) - 1);
}

}  // namespace

// ---------------------------------------------------------------- GPIO

int32_t SimGpio::QueryInterface(const plat::Guid& iid, void** out) { return QueryFor(this, iid, out, false); }

uint32_t SimGpio::AddRef() {
  card->live_references.fetch_add(1, std::memory_order_relaxed);
  return static_cast<uint32_t>(references.fetch_add(1, std::memory_order_relaxed) + 1);
}

uint32_t SimGpio::Release() {
  card->Log("Release(GPIO[%d])", index);
  card->live_references.fetch_sub(1, std::memory_order_relaxed);
  return Remaining(references);
}

int32_t SimGpio::get_Pin(int32_t pin, uint32_t* value) {
  card->Log("get_Pin(%d)", pin);
  SimDevice& device = card->DeviceAt(index);
  // Pin 0 comes first in a sample: take the levels then, so that one sample
  // never straddles two script steps.
  if (pin == 0) {
    uint32_t levels = device.scripted.load(std::memory_order_acquire)
                          ? card->ScriptPins()
                          : device.pins.load(std::memory_order_acquire);
    device.latched.store(levels, std::memory_order_relaxed);
  }
  int32_t status = 0;
  if (card->Failure(Call::Pin, index, status)) return status;
  if (value == nullptr) return device::kVampPointer;
  uint32_t level = pin >= 0 && pin < 32 ? (device.latched.load(std::memory_order_relaxed) >> pin) & 1u : 0u;
  *value = level | (device.extra_bits.load(std::memory_order_relaxed) & ~1u);
  return device::kVampOk;
}

int32_t SimGpio::put_Pin(int32_t pin, uint32_t level) {
  card->Log("put_Pin(%d,%u)", pin, level);
  return device::kVampOk;
}

int32_t SimGpio::PrepareWrite() {
  card->Log("PrepareWrite");
  return device::kVampOk;
}

// ---------------------------------------------------------------- device

int32_t SimDevice::QueryInterface(const plat::Guid& iid, void** out) {
  return QueryFor(this, iid, out, false);
}

uint32_t SimDevice::AddRef() {
  card->live_references.fetch_add(1, std::memory_order_relaxed);
  return static_cast<uint32_t>(references.fetch_add(1, std::memory_order_relaxed) + 1);
}

uint32_t SimDevice::Release() {
  card->Log("Release(Device[%d])", index);
  card->live_references.fetch_sub(1, std::memory_order_relaxed);
  return Remaining(references);
}

int32_t SimDevice::Identify(Call call, const char* name, uint32_t value, uint32_t* out) {
  card->Log("%s[%d]", name, index);
  int32_t status = 0;
  if (card->Failure(call, index, status)) {
    if (status >= 0 && out != nullptr) *out = value;
    return status;
  }
  if (out == nullptr) return device::kVampPointer;
  *out = value;
  return device::kVampOk;
}

int32_t SimDevice::get_VendorId(uint32_t* id) {
  return Identify(Call::VendorId, "get_VendorId", ids.Vendor, id);
}
int32_t SimDevice::get_DeviceId(uint32_t* id) {
  return Identify(Call::DeviceId, "get_DeviceId", ids.Device, id);
}
int32_t SimDevice::get_SubVendorId(uint32_t* id) {
  return Identify(Call::SubVendorId, "get_SubVendorId", ids.SubVendor, id);
}
int32_t SimDevice::get_SubDeviceId(uint32_t* id) {
  return Identify(Call::SubDeviceId, "get_SubDeviceId", ids.SubDevice, id);
}
int32_t SimDevice::get_Revision(uint32_t* revision) {
  return Identify(Call::Revision, "get_Revision", ids.Revision, revision);
}

int32_t SimDevice::get_GPIO(device::IVampGPIO** out) {
  card->Log("get_GPIO[%d]", index);
  if (out == nullptr) return device::kVampPointer;
  *out = nullptr;
  int32_t status = 0;
  if (card->Failure(Call::Gpio, index, status)) return status;  // 0 or more: no interface
  gpio.AddRef();
  *out = &gpio;
  return device::kVampOk;
}

// ---------------------------------------------------------------- enumerator

int32_t SimEnum::QueryInterface(const plat::Guid& iid, void** out) {
  return QueryFor(this, iid, out, SameGuid(iid, device::IID_IVampDeviceEnum));
}

uint32_t SimEnum::AddRef() {
  card->live_references.fetch_add(1, std::memory_order_relaxed);
  return static_cast<uint32_t>(references.fetch_add(1, std::memory_order_relaxed) + 1);
}

uint32_t SimEnum::Release() {
  card->Log("Release(Enum)");
  card->live_references.fetch_sub(1, std::memory_order_relaxed);
  uint32_t left = Remaining(references);
  if (left == 0) delete this;
  return left;
}

int32_t SimEnum::get_DeviceCount(int32_t* count) {
  card->Log("get_DeviceCount");
  int32_t status = 0;
  if (card->Failure(Call::DeviceCount, kAnyDevice, status)) return status;
  if (count == nullptr) return device::kVampPointer;
  *count = card->DeviceCount();
  return device::kVampOk;
}

int32_t SimEnum::get_Device(int32_t index, device::IVampDevice** out) {
  card->Log("get_Device(%d)", index);
  if (out == nullptr) return device::kVampPointer;
  *out = nullptr;
  int32_t status = 0;
  if (card->Failure(Call::Device, index, status)) return status;
  if (index < 0 || index >= card->DeviceCount()) return static_cast<int32_t>(0x80070057u);  // E_INVALIDARG
  SimDevice& device = card->DeviceAt(index);
  device.AddRef();
  *out = &device;
  return device::kVampOk;
}

// ---------------------------------------------------------------- card

Card& Card::Instance() {
  // Never destroyed: the plug-in may still hold references at process exit.
  static Card* card = new Card();
  return *card;
}

Card::Card() {
  for (int32_t i = 0; i < kMaxDevices; ++i) {
    devices_[i].card = this;
    devices_[i].index = i;
    devices_[i].gpio.card = this;
    devices_[i].gpio.index = i;
  }
  Reset();
  if (const char* path = std::getenv(kScriptVariable); path != nullptr && *path != '\0') {
    char error[256];
    if (!LoadScriptFile(path, error, sizeof error)) {
      std::fprintf(stderr, "simulated card: %s: %s\n", path, error);
    }
  }
}

int32_t Card::CreateInstance(const plat::Guid& clsid, const plat::Guid& iid, void** out) {
  if (out == nullptr) return device::kVampPointer;
  *out = nullptr;
  if (!SameGuid(clsid, device::CLSID_VampDeviceEnum)) return kClassNotRegistered;
  Log("Create");
  int32_t status = 0;
  bool failing = Failure(Call::Create, kAnyDevice, status);
  if (failing && status < 0) return status;
  if (!SameGuid(iid, device::IID_IVampDeviceEnum) && !SameGuid(iid, device::IID_VampUnknown))
    return device::kVampNoInterface;
  creations_.fetch_add(1, std::memory_order_relaxed);
  {
    std::lock_guard lock(script_mutex_);
    if (script_loaded_ && !script_started_) {
      script_started_ = true;
      script_start_ = std::chrono::steady_clock::now();
      script_samples_ = 0;
    }
  }
  live_references.fetch_add(1, std::memory_order_relaxed);
  *out = static_cast<device::IVampDeviceEnum*>(new SimEnum(this));
  return failing ? status : device::kVampOk;
}

void Card::Reset() {
  PciIds one;
  SetDevices(&one, 1);
  for (SimDevice& device : devices_) {
    device.scripted.store(true, std::memory_order_relaxed);
    device.pins.store(0, std::memory_order_relaxed);
    device.latched.store(0, std::memory_order_relaxed);
    device.extra_bits.store(0, std::memory_order_relaxed);
  }
  ClearFailures();
  {
    std::lock_guard lock(script_mutex_);
    script_ = Script();
    script_loaded_ = false;
    script_started_ = false;
  }
  log_enabled_.store(false, std::memory_order_relaxed);
  ClearLog();
}

void Card::SetDevices(const PciIds* ids, int32_t count) {
  if (count < 0) count = 0;
  if (count > kMaxDevices) count = kMaxDevices;
  for (int32_t i = 0; i < count; ++i) devices_[i].ids = ids[i];
  device_count_.store(count, std::memory_order_release);
}

void Card::SetPins(int32_t device, uint32_t pins) {
  for (int32_t i = 0; i < kMaxDevices; ++i) {
    if (device != kAnyDevice && device != i) continue;
    devices_[i].pins.store(pins, std::memory_order_release);
    devices_[i].scripted.store(false, std::memory_order_release);
  }
}

void Card::SetPinExtraBits(int32_t device, uint32_t bits) {
  for (int32_t i = 0; i < kMaxDevices; ++i) {
    if (device == kAnyDevice || device == i) devices_[i].extra_bits.store(bits, std::memory_order_relaxed);
  }
}

void Card::ApplyScript(Script&& script) {
  if (!script.Devices.empty()) {
    SetDevices(script.Devices.data(), static_cast<int32_t>(script.Devices.size()));
  }
  for (const ScriptFailure& failure : script.Failures)
    SetFailure(failure.What, failure.Device, failure.Status);
  for (SimDevice& device : devices_) device.scripted.store(true, std::memory_order_release);
  std::lock_guard lock(script_mutex_);
  script_ = std::move(script);
  script_loaded_ = true;
  script_started_ = false;
}

bool Card::LoadScript(const char* text, char* error, int32_t error_size) {
  Script script;
  std::string message;
  if (text == nullptr || !ParseScript(text, script, message)) {
    CopyError(text == nullptr ? "no script" : message, error, error_size);
    return false;
  }
  ApplyScript(std::move(script));
  CopyError("", error, error_size);
  return true;
}

bool Card::LoadScriptFile(const char* path, char* error, int32_t error_size) {
  std::ifstream file(path != nullptr ? path : "", std::ios::binary);
  if (!file) {
    CopyError("cannot read the file", error, error_size);
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return LoadScript(text.str().c_str(), error, error_size);
}

void Card::RestartScript() {
  std::lock_guard lock(script_mutex_);
  script_started_ = true;
  script_start_ = std::chrono::steady_clock::now();
  script_samples_ = 0;
}

uint32_t Card::ScriptPins() {
  std::lock_guard lock(script_mutex_);
  if (!script_loaded_) return 0;
  if (!script_started_) return script_.IdlePins | script_.SteadyPins;
  if (script_.TickMs != 0) return script_.PinsAt(script_samples_++ * script_.TickMs);
  auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - script_start_);
  return script_.PinsAt(static_cast<uint64_t>(elapsed.count()));
}

void Card::SetFailure(Call call, int32_t device, int32_t status) {
  int kind = static_cast<int>(call);
  if (kind < 0 || kind >= kCallKinds || device < kAnyDevice || device >= kMaxDevices) return;
  failures_[kind][device + 1].store(status, std::memory_order_release);
}

void Card::ClearFailures() {
  for (auto& kind : failures_) {
    for (auto& slot : kind) slot.store(kNoFailure, std::memory_order_release);
  }
}

bool Card::Failure(Call call, int32_t device, int32_t& status) const {
  int kind = static_cast<int>(call);
  int64_t injected = kNoFailure;
  if (device >= 0 && device < kMaxDevices)
    injected = failures_[kind][device + 1].load(std::memory_order_acquire);
  if (injected == kNoFailure) injected = failures_[kind][0].load(std::memory_order_acquire);
  if (injected == kNoFailure) return false;
  status = static_cast<int32_t>(injected);
  return true;
}

void Card::EnableLog(bool on) { log_enabled_.store(on, std::memory_order_release); }

void Card::ClearLog() {
  std::lock_guard lock(log_mutex_);
  log_.clear();
}

void Card::Log(const char* format, ...) {
  if (!log_enabled_.load(std::memory_order_acquire)) return;
  char entry[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(entry, sizeof entry, format, args);
  va_end(args);
  std::lock_guard lock(log_mutex_);
  if (log_.size() >= static_cast<size_t>(kLogCapacity)) log_.pop_front();
  log_.emplace_back(entry);
}

int32_t Card::LogText(char* buffer, int32_t size) {
  std::string text;
  {
    std::lock_guard lock(log_mutex_);
    for (const std::string& entry : log_) text += entry + '\n';
  }
  if (buffer == nullptr) return static_cast<int32_t>(text.size());
  if (size <= 0) return 0;
  size_t written = text.size() < static_cast<size_t>(size) ? text.size() : static_cast<size_t>(size) - 1;
  std::memcpy(buffer, text.data(), written);
  buffer[written] = '\0';
  return static_cast<int32_t>(written);
}

int32_t Card::LiveReferences() { return live_references.load(std::memory_order_acquire); }

int32_t Card::Creations() { return creations_.load(std::memory_order_relaxed); }

}  // namespace sim

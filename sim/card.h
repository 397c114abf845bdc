// The simulated card itself: the driver's three interfaces on top of a set of
// devices whose pins follow a script or levels set by tests.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "device/vamp.h"
#include "sim/script.h"
#include "sim/sim_control.h"

namespace sim {

class Card;

class SimGpio final : public device::IVampGPIO {
 public:
  int32_t VAMP_CALL QueryInterface(const plat::Guid& iid, void** out) override;
  uint32_t VAMP_CALL AddRef() override;
  uint32_t VAMP_CALL Release() override;
  int32_t VAMP_CALL Reserved3() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved4() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved5() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved6() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved7() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved8() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved9() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved10() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL get_Pin(int32_t pin, uint32_t* value) override;
  int32_t VAMP_CALL put_Pin(int32_t pin, uint32_t level) override;
  int32_t VAMP_CALL PrepareWrite() override;

  Card* card = nullptr;
  int32_t index = 0;
  std::atomic<int32_t> references{0};
};

class SimDevice final : public device::IVampDevice {
 public:
  int32_t VAMP_CALL QueryInterface(const plat::Guid& iid, void** out) override;
  uint32_t VAMP_CALL AddRef() override;
  uint32_t VAMP_CALL Release() override;
  int32_t VAMP_CALL Reserved3() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved4() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved5() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved6() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved7() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL get_VendorId(uint32_t* id) override;
  int32_t VAMP_CALL get_DeviceId(uint32_t* id) override;
  int32_t VAMP_CALL get_SubVendorId(uint32_t* id) override;
  int32_t VAMP_CALL get_SubDeviceId(uint32_t* id) override;
  int32_t VAMP_CALL get_Revision(uint32_t* revision) override;
  int32_t VAMP_CALL Reserved13() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved14() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved15() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved16() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved17() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved18() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved19() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved20() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL get_GPIO(device::IVampGPIO** gpio) override;

  Card* card = nullptr;
  int32_t index = 0;
  std::atomic<int32_t> references{0};
  SimGpio gpio;
  PciIds ids;
  std::atomic<bool> scripted{true};
  std::atomic<uint32_t> pins{0};     // direct levels while not scripted
  std::atomic<uint32_t> latched{0};  // levels of the sample being read
  std::atomic<uint32_t> extra_bits{0};

 private:
  int32_t Identify(Call call, const char* name, uint32_t value, uint32_t* out);
};

class SimEnum final : public device::IVampDeviceEnum {
 public:
  explicit SimEnum(Card* owner) : card(owner) {}
  int32_t VAMP_CALL QueryInterface(const plat::Guid& iid, void** out) override;
  uint32_t VAMP_CALL AddRef() override;
  uint32_t VAMP_CALL Release() override;
  int32_t VAMP_CALL Reserved3() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved4() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved5() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL Reserved6() override { return device::kVampNotImpl; }
  int32_t VAMP_CALL get_DeviceCount(int32_t* count) override;
  int32_t VAMP_CALL get_Device(int32_t index, device::IVampDevice** device) override;

  Card* card;
  std::atomic<int32_t> references{1};
};

class Card final : public Control {
 public:
  static Card& Instance();

  // The class object's creation: REGDB_E_CLASSNOTREG for another class.
  int32_t CreateInstance(const plat::Guid& clsid, const plat::Guid& iid, void** out);

  void Reset() override;
  void SetDevices(const PciIds* ids, int32_t count) override;
  void SetPins(int32_t device, uint32_t pins) override;
  void SetPinExtraBits(int32_t device, uint32_t bits) override;
  bool LoadScript(const char* text, char* error, int32_t error_size) override;
  bool LoadScriptFile(const char* path, char* error, int32_t error_size) override;
  void RestartScript() override;
  void SetFailure(Call call, int32_t device, int32_t status) override;
  void ClearFailures() override;
  void EnableLog(bool on) override;
  void ClearLog() override;
  int32_t LogText(char* buffer, int32_t size) override;
  int32_t LiveReferences() override;
  int32_t Creations() override;

  // For the objects.
  void Log(const char* format, ...);
  // True and the injected status when the call is to fail for that device.
  bool Failure(Call call, int32_t device, int32_t& status) const;
  int32_t DeviceCount() const { return device_count_.load(std::memory_order_acquire); }
  SimDevice& DeviceAt(int32_t index) { return devices_[index]; }
  uint32_t ScriptPins();
  std::atomic<int32_t> live_references{0};

 private:
  Card();
  void ApplyScript(Script&& script);

  SimDevice devices_[kMaxDevices];
  std::atomic<int32_t> device_count_{0};
  // Injected statuses per call kind and device (slot 0: every device).
  static constexpr int64_t kNoFailure = INT64_MIN;
  std::atomic<int64_t> failures_[kCallKinds][kMaxDevices + 1];
  std::atomic<int32_t> creations_{0};

  std::mutex script_mutex_;
  Script script_;
  bool script_loaded_ = false;
  bool script_started_ = false;
  std::chrono::steady_clock::time_point script_start_;
  uint64_t script_samples_ = 0;  // samples taken since the start, for a ticked session

  std::atomic<bool> log_enabled_{false};
  std::mutex log_mutex_;
  std::deque<std::string> log_;
};

}  // namespace sim

// Opening a capture device through the driver's enumerator, one description
// line per device, and the 32-pin sample. The references are written on the
// core's thread only while the polling thread does not run.
#include "device/gpio_device.h"

#include <cstdio>

#include "device/card_makers.h"
#include "device/vamp.h"
#include "platform/com.h"
#include "platform/sync.h"

namespace device {

config::StringList* DeviceList = nullptr;

namespace {

IVampDeviceEnum* Enumerator = nullptr;
IVampDevice* OpenedDevice = nullptr;
IVampGPIO* Gpio = nullptr;
// The open's CoInitialize succeeded and is not undone yet. A failed one
// initialised nothing, and undoing it would end someone else's COM use.
bool ComInitialized = false;

char LineBuffer[256];

constexpr uint32_t kResetPulseMs = 25;

template <typename Interface>
void ReleaseRef(Interface*& ref) {
  if (ref != nullptr) {
    ref->Release();
    ref = nullptr;
  }
}

void EndComUse() {
  if (ComInitialized) {
    ComInitialized = false;
    plat::co_uninitialize();
  }
}

int32_t FailOpen(int32_t code) {
  ReleaseRef(Gpio);
  ReleaseRef(OpenedDevice);
  ReleaseRef(Enumerator);
  EndComUse();
  return code;
}

// Appends "label%X" or "label???"; always leaves the buffer terminated.
void AppendPiece(size_t& length, const char* label, int32_t status, uint32_t value) {
  if (length >= sizeof(LineBuffer)) return;
  size_t room = sizeof(LineBuffer) - length;
  int written = status >= 0 ? std::snprintf(LineBuffer + length, room, "%s%X", label, value)
                            : std::snprintf(LineBuffer + length, room, "%s???", label);
  if (written > 0) length += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room - 1;
}

void DescribeDevice(IVampDevice* device) {
  uint32_t vendor = 0, deviceId = 0, subVendor = 0, subDevice = 0, revision = 0;
  // Each call before its piece: the value is read only after the call wrote it.
  const int32_t vendorStatus = device->get_VendorId(&vendor);
  const int32_t deviceStatus = device->get_DeviceId(&deviceId);
  const int32_t subVendorStatus = device->get_SubVendorId(&subVendor);
  const int32_t subDeviceStatus = device->get_SubDeviceId(&subDevice);
  const int32_t revisionStatus = device->get_Revision(&revision);
  size_t length = 0;
  LineBuffer[0] = '\0';
  AppendPiece(length, "Vendor: ", vendorStatus, vendor);
  AppendPiece(length, ", Device: ", deviceStatus, deviceId);
  AppendPiece(length, ", SubVendor: ", subVendorStatus, subVendor);
  AppendPiece(length, ", SubDevice: ", subDeviceStatus, subDevice);
  AppendPiece(length, ", rev. ", revisionStatus, revision);
  if (subVendorStatus >= 0 && length < sizeof(LineBuffer)) {
    std::snprintf(LineBuffer + length, sizeof(LineBuffer) - length, "%s", CardMakerSuffix(subVendor));
  }
  AddDeviceLine(LineBuffer);
}

void PulseReset(IVampGPIO* gpio, int32_t pin) {
  gpio->PrepareWrite();
  gpio->put_Pin(pin, 1);
  gpio->put_Pin(pin, 0);
}

}  // namespace

void CreateDeviceList() {
  if (DeviceList == nullptr) DeviceList = new config::StringList();
}

void FreeDeviceList() {
  delete DeviceList;
  DeviceList = nullptr;
}

void AddDeviceLine(const char* text) {
  if (DeviceList != nullptr) DeviceList->Add(text);
}

int32_t OpenDevice(int32_t index) {
  ComInitialized = plat::co_initialize() >= 0;

  void* created = nullptr;
  int32_t status = plat::co_create_instance(CLSID_VampDeviceEnum, IID_IVampDeviceEnum, &created);
  Enumerator = static_cast<IVampDeviceEnum*>(created);
  if (status != 0) return FailOpen(-1);

  int32_t count = 0;
  if (Enumerator->get_DeviceCount(&count) < 0) return FailOpen(-2);
  if (count < 1) return FailOpen(-3);

  for (int32_t i = 0; i < count; ++i) {
    IVampDevice* device = nullptr;
    if (Enumerator->get_Device(i, &device) < 0) return FailOpen(-4);
    if (i == index) {
      OpenedDevice = device;
      if (OpenedDevice->get_GPIO(&Gpio) < 0) return FailOpen(-5);
    }
    DescribeDevice(device);
    if (i != index) ReleaseRef(device);
  }

  ReleaseRef(Enumerator);
  if (Gpio == nullptr) return FailOpen(-7);
  return 0;
}

void CloseDevice() {
  ReleaseRef(Gpio);
  ReleaseRef(OpenedDevice);
  ReleaseRef(Enumerator);
  EndComUse();
}

uint32_t ReadPin(uint32_t pin) {
  // A failed read leaves the value alone: it then counts as a low pin.
  uint32_t value = 0;
  Gpio->get_Pin(static_cast<int32_t>(pin), &value);
  return value;
}

uint32_t ReadAllPins(int32_t resetPin) {
  IVampGPIO* gpio = Gpio;
  if (gpio == nullptr) return 0;
  if (resetPin >= 0) {
    PulseReset(gpio, resetPin);
    plat::sleep_ms(kResetPulseMs);
  }
  uint32_t sample = 0;
  for (uint32_t pin = 0; pin < 32; ++pin) sample |= (ReadPin(pin) & 1u) << pin;
  if (resetPin >= 0) PulseReset(gpio, resetPin);
  return sample;
}

}  // namespace device

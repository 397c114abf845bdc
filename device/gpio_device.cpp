// Opening a capture device through the driver's enumerator, the devices' IDs,
// and the 32-pin sample.
#include "device/gpio_device.h"

#include <cstdio>

#include "device/card_makers.h"
#include "device/vamp.h"
#include "platform/com.h"
#include "platform/sync.h"

namespace device {

config::StringList* DeviceList = nullptr;

namespace {

constexpr uint32_t kResetPulseMs = 25;
constexpr size_t kMaxLineLength = 255;

template <typename Interface>
void ReleaseRef(Interface*& ref) {
  if (ref != nullptr) {
    ref->Release();
    ref = nullptr;
  }
}

// Each call before the next: a value counts only when its call succeeded.
DeviceIds ReadIds(IVampDevice* device) {
  DeviceIds ids;
  uint32_t value = 0;
  if (device->get_VendorId(&value) >= 0) ids.vendor = value;
  if (device->get_DeviceId(&value) >= 0) ids.device = value;
  if (device->get_SubVendorId(&value) >= 0) ids.sub_vendor = value;
  if (device->get_SubDeviceId(&value) >= 0) ids.sub_device = value;
  if (device->get_Revision(&value) >= 0) ids.revision = value;
  return ids;
}

void AppendPiece(std::string& line, const char* label, const std::optional<uint32_t>& value) {
  char digits[16] = "???";
  if (value) std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(*value));
  line.append(label).append(digits);
}

void PulseReset(IVampGPIO* gpio, int32_t pin) {
  gpio->PrepareWrite();
  gpio->put_Pin(pin, 1);
  gpio->put_Pin(pin, 0);
}

OpenError FailOpen(Card& card, IVampDeviceEnum*& enumerator, OpenError error) {
  ReleaseRef(card.gpio);
  ReleaseRef(card.device);
  ReleaseRef(enumerator);
  CloseDevice(card);
  return error;
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

std::string DescribeDevice(const DeviceIds& ids) {
  std::string line;
  AppendPiece(line, "Vendor: ", ids.vendor);
  AppendPiece(line, ", Device: ", ids.device);
  AppendPiece(line, ", SubVendor: ", ids.sub_vendor);
  AppendPiece(line, ", SubDevice: ", ids.sub_device);
  AppendPiece(line, ", rev. ", ids.revision);
  if (ids.sub_vendor) line.append(CardMakerSuffix(*ids.sub_vendor));
  if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
  return line;
}

OpenError OpenDevice(int32_t index, Card& card, std::vector<DeviceIds>& devices) {
  card.com_initialized = plat::co_initialize() >= 0;

  void* created = nullptr;
  const int32_t status = plat::co_create_instance(CLSID_VampDeviceEnum, IID_IVampDeviceEnum, &created);
  auto* enumerator = static_cast<IVampDeviceEnum*>(created);
  if (status != 0) return FailOpen(card, enumerator, OpenError::NoEnumerator);

  int32_t count = 0;
  if (enumerator->get_DeviceCount(&count) < 0) return FailOpen(card, enumerator, OpenError::CannotCount);
  if (count < 1) return FailOpen(card, enumerator, OpenError::NoDevices);

  for (int32_t i = 0; i < count; ++i) {
    IVampDevice* device = nullptr;
    if (enumerator->get_Device(i, &device) < 0)
      return FailOpen(card, enumerator, OpenError::DeviceUnreachable);
    if (i == index) {
      card.device = device;
      if (card.device->get_GPIO(&card.gpio) < 0) return FailOpen(card, enumerator, OpenError::NoGpio);
    }
    devices.push_back(ReadIds(device));
    if (i != index) ReleaseRef(device);
  }

  ReleaseRef(enumerator);
  if (card.gpio == nullptr) return FailOpen(card, enumerator, OpenError::NoSuchDevice);
  return OpenError::None;
}

void CloseDevice(Card& card) {
  ReleaseRef(card.gpio);
  ReleaseRef(card.device);
  if (card.com_initialized) {
    card.com_initialized = false;
    plat::co_uninitialize();
  }
}

Enumeration EnumerateDevices() {
  Enumeration result;
  Card card;
  // No device has the index -1: the walk reaches every one and opens none.
  result.error = OpenDevice(-1, card, result.devices);
  if (result.error == OpenError::NoSuchDevice) result.error = OpenError::None;
  CloseDevice(card);
  return result;
}

uint32_t ReadAllPins(const Card& card, int32_t reset_pin) {
  IVampGPIO* gpio = card.gpio;
  if (gpio == nullptr) return 0;
  if (reset_pin >= 0) {
    PulseReset(gpio, reset_pin);
    plat::sleep_ms(kResetPulseMs);
  }
  uint32_t sample = 0;
  for (uint32_t pin = 0; pin < 32; ++pin) {
    // A failed read leaves the value alone: it then counts as a low pin.
    uint32_t value = 0;
    gpio->get_Pin(static_cast<int32_t>(pin), &value);
    sample |= (value & 1u) << pin;
  }
  if (reset_pin >= 0) PulseReset(gpio, reset_pin);
  return sample;
}

}  // namespace device

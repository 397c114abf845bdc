// Opening a capture device through the driver's COM server, the devices'
// IDs and description lines, and reading the 32 GPIO pins.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/string_list.h"
#include "device/open_errors.h"

namespace device {

class IVampDevice;
class IVampGPIO;

// One description line per device; created by Open, freed by Close, emptied
// by every start of the device and refilled by opening it.
extern config::StringList* DeviceList;
// A second Open keeps the list it has.
void CreateDeviceList();
void FreeDeviceList();
void AddDeviceLine(const char* text);

// A device's IDs as the driver gives them; a read the driver failed is empty.
struct DeviceIds {
  std::optional<uint32_t> vendor, device, sub_vendor, sub_device, revision;
};
// "Vendor: 1131, Device: 7134, SubVendor: 1461, SubDevice: F31D, rev. 1 (AverTV 307)",
// "???" for a failed read; at most 255 characters.
std::string DescribeDevice(const DeviceIds& ids);

// An opened device: what the pins are read through. Only the thread that
// opened it closes it, while no other reads it.
struct Card {
  IVampDevice* device = nullptr;
  IVampGPIO* gpio = nullptr;
  // The open's CoInitialize succeeded and is not undone yet. A failed one
  // initialised nothing, and undoing it would end someone else's COM use.
  bool com_initialized = false;
};

// Walks the driver's devices, adding each one's IDs to devices, and opens the
// one at index. On failure card is left closed and devices holds the devices
// reached before it.
OpenError OpenDevice(int32_t index, Card& card, std::vector<DeviceIds>& devices);
void CloseDevice(Card& card);

// The devices alone, none opened; error is None when the walk went through.
struct Enumeration {
  OpenError error = OpenError::None;
  std::vector<DeviceIds> devices;
};
Enumeration EnumerateDevices();

// Bit n is pin n; a pin that fails to read counts as low. A reset pin of 0
// or more is pulsed before and after, as some cards need.
uint32_t ReadAllPins(const Card& card, int32_t reset_pin);

}  // namespace device

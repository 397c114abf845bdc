// Opening a capture device through the driver's COM server, describing every
// device, and reading the 32 GPIO pins.
#pragma once
#include <cstdint>

#include "config/string_list.h"

namespace device {

// One description line per device; created by Open, freed by Close, emptied
// by every start of the device and refilled by opening it.
extern config::StringList* DeviceList;
// A second Open keeps the list it has.
void CreateDeviceList();
void FreeDeviceList();

// 0, or -1 to -5 and -7.
int32_t OpenDevice(int32_t index);
void CloseDevice();
uint32_t ReadPin(uint32_t pin);
uint32_t ReadAllPins(int32_t resetPin);
void AddDeviceLine(const char* text);

}  // namespace device

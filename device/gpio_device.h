// Opening a capture device through the driver's COM server, describing every
// device, and reading the 32 GPIO pins.
#pragma once
#include <cstdint>

#include "config/string_list.h"

// One description line per device; created by Open, freed by Close.
extern StringList* DeviceList;

// 0, or -1 to -5 and -7.
int32_t OpenDevice(int32_t index);
void CloseDevice();
uint32_t ReadPin(uint32_t pin);
uint32_t ReadAllPins(int32_t resetPin);
void AddDeviceLine(const char* text);

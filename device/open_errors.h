// Why a capture device did not open: one named set, and one table of texts
// for the plug-in's message box and the remote tool's console.
#pragma once
#include <cstdint>

namespace device {

// The values are the codes the plug-in has always used for them.
enum class OpenError : int32_t {
  None = 0,
  NoEnumerator = -1,       // the driver's device enumerator cannot be created
  CannotCount = -2,        // the driver cannot count its devices
  NoDevices = -3,          // the driver reports no device
  DeviceUnreachable = -4,  // a device of the driver cannot be reached
  NoGpio = -5,             // the device's GPIO pins cannot be reached
  NoSuchDevice = -7,       // the index names no device
};

// The driver's words for the message box (NoEnumerator and NoSuchDevice read
// the same); "" for None.
const char* OpenErrorText(OpenError error);
// The same failure said plainly, for a person at a console.
const char* OpenErrorSentence(OpenError error);

}  // namespace device

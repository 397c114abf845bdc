#include "device/open_errors.h"

namespace device {
namespace {

struct OpenError {
  int32_t code;
  const char* text;
  const char* sentence;
};

constexpr OpenError kOpenErrors[] = {
    {-1, "Can't create instance of IVampDeviceEnum.", "the driver's device enumerator cannot be created"},
    {-2, "get_DeviceCount() failed.", "the driver cannot count its devices"},
    {-3, "There is no available devices.", "the driver reports no device"},
    {-4, "Can't create instance of IVampDevice.", "a device of the driver cannot be reached"},
    {-5, "Can't create instance of IVampGPIO.", "the device's GPIO pins cannot be reached"},
    {-7, "Can't create instance of IVampDeviceEnum.", "there is no such device"},
};

const OpenError* Find(int32_t code) {
  for (const OpenError& error : kOpenErrors) {
    if (error.code == code) return &error;
  }
  return nullptr;
}

}  // namespace

const char* OpenErrorText(int32_t code) {
  const OpenError* error = Find(code);
  return error != nullptr ? error->text : "";
}

const char* OpenErrorSentence(int32_t code) {
  const OpenError* error = Find(code);
  return error != nullptr ? error->sentence : "unknown failure";
}

}  // namespace device

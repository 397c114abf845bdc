#include "device/open_errors.h"

namespace device {
namespace {

struct OpenErrorTexts {
  OpenError error;
  const char* text;
  const char* sentence;
};

constexpr OpenErrorTexts kOpenErrors[] = {
    {OpenError::NoEnumerator, "Can't create instance of IVampDeviceEnum.",
     "the driver's device enumerator cannot be created"},
    {OpenError::CannotCount, "get_DeviceCount() failed.", "the driver cannot count its devices"},
    {OpenError::NoDevices, "There is no available devices.", "the driver reports no device"},
    {OpenError::DeviceUnreachable, "Can't create instance of IVampDevice.",
     "a device of the driver cannot be reached"},
    {OpenError::NoGpio, "Can't create instance of IVampGPIO.", "the device's GPIO pins cannot be reached"},
    {OpenError::NoSuchDevice, "Can't create instance of IVampDeviceEnum.", "there is no such device"},
};

const OpenErrorTexts* Find(OpenError error) {
  for (const OpenErrorTexts& texts : kOpenErrors) {
    if (texts.error == error) return &texts;
  }
  return nullptr;
}

}  // namespace

const char* OpenErrorText(OpenError error) {
  const OpenErrorTexts* texts = Find(error);
  return texts != nullptr ? texts->text : "";
}

const char* OpenErrorSentence(OpenError error) {
  const OpenErrorTexts* texts = Find(error);
  return texts != nullptr ? texts->sentence : "unknown failure";
}

}  // namespace device

// The capture driver's COM interfaces, laid out slot by slot as its method
// tables are: slots 0 to 2 are IUnknown's, the placeholders fill the slots the
// plug-in never calls. Classes with pure virtual methods only, no virtual
// destructor and single inheritance have a COM-compatible table in both the
// native and the mingw-w64 ABI.
#pragma once
#include <cstdint>

#include "platform/com.h"

#if defined(_WIN32)
#define VAMP_CALL __stdcall
#else
#define VAMP_CALL
#endif

namespace device {

// {B8A9279E-C453-11D4-AD45-0060080BA634}: the device enumerator's class.
inline constexpr plat::Guid CLSID_VampDeviceEnum = {
    0xB8A9279E, 0xC453, 0x11D4, {0xAD, 0x45, 0x00, 0x60, 0x08, 0x0B, 0xA6, 0x34}};
// {B8A9279D-C453-11D4-AD45-0060080BA634}: IVampDeviceEnum.
inline constexpr plat::Guid IID_IVampDeviceEnum = {
    0xB8A9279D, 0xC453, 0x11D4, {0xAD, 0x45, 0x00, 0x60, 0x08, 0x0B, 0xA6, 0x34}};
// {00000000-0000-0000-C000-000000000046}: IUnknown.
inline constexpr plat::Guid IID_VampUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// COM statuses the driver side and the substitute run-time use.
inline constexpr int32_t kVampOk = 0;
inline constexpr int32_t kVampFalse = 1;
inline constexpr int32_t kVampNotImpl = static_cast<int32_t>(0x80004001u);
inline constexpr int32_t kVampNoInterface = static_cast<int32_t>(0x80004002u);
inline constexpr int32_t kVampPointer = static_cast<int32_t>(0x80004003u);
inline constexpr int32_t kVampFail = static_cast<int32_t>(0x80004005u);

class IVampGPIO {
 public:
  virtual int32_t VAMP_CALL QueryInterface(const plat::Guid& iid, void** out) = 0;  // 0
  virtual uint32_t VAMP_CALL AddRef() = 0;                                          // 1
  virtual uint32_t VAMP_CALL Release() = 0;                                         // 2
  virtual int32_t VAMP_CALL Reserved3() = 0;
  virtual int32_t VAMP_CALL Reserved4() = 0;
  virtual int32_t VAMP_CALL Reserved5() = 0;
  virtual int32_t VAMP_CALL Reserved6() = 0;
  virtual int32_t VAMP_CALL Reserved7() = 0;
  virtual int32_t VAMP_CALL Reserved8() = 0;
  virtual int32_t VAMP_CALL Reserved9() = 0;
  virtual int32_t VAMP_CALL Reserved10() = 0;
  virtual int32_t VAMP_CALL get_Pin(int32_t pin, uint32_t* value) = 0;  // 11
  virtual int32_t VAMP_CALL put_Pin(int32_t pin, uint32_t level) = 0;   // 12
  virtual int32_t VAMP_CALL PrepareWrite() = 0;                         // 13

 protected:
  ~IVampGPIO() = default;
};

class IVampDevice {
 public:
  virtual int32_t VAMP_CALL QueryInterface(const plat::Guid& iid, void** out) = 0;  // 0
  virtual uint32_t VAMP_CALL AddRef() = 0;                                          // 1
  virtual uint32_t VAMP_CALL Release() = 0;                                         // 2
  virtual int32_t VAMP_CALL Reserved3() = 0;
  virtual int32_t VAMP_CALL Reserved4() = 0;
  virtual int32_t VAMP_CALL Reserved5() = 0;
  virtual int32_t VAMP_CALL Reserved6() = 0;
  virtual int32_t VAMP_CALL Reserved7() = 0;
  virtual int32_t VAMP_CALL get_VendorId(uint32_t* id) = 0;        // 8
  virtual int32_t VAMP_CALL get_DeviceId(uint32_t* id) = 0;        // 9
  virtual int32_t VAMP_CALL get_SubVendorId(uint32_t* id) = 0;     // 10
  virtual int32_t VAMP_CALL get_SubDeviceId(uint32_t* id) = 0;     // 11
  virtual int32_t VAMP_CALL get_Revision(uint32_t* revision) = 0;  // 12
  virtual int32_t VAMP_CALL Reserved13() = 0;
  virtual int32_t VAMP_CALL Reserved14() = 0;
  virtual int32_t VAMP_CALL Reserved15() = 0;
  virtual int32_t VAMP_CALL Reserved16() = 0;
  virtual int32_t VAMP_CALL Reserved17() = 0;
  virtual int32_t VAMP_CALL Reserved18() = 0;
  virtual int32_t VAMP_CALL Reserved19() = 0;
  virtual int32_t VAMP_CALL Reserved20() = 0;
  virtual int32_t VAMP_CALL get_GPIO(IVampGPIO** gpio) = 0;  // 21

 protected:
  ~IVampDevice() = default;
};

class IVampDeviceEnum {
 public:
  virtual int32_t VAMP_CALL QueryInterface(const plat::Guid& iid, void** out) = 0;  // 0
  virtual uint32_t VAMP_CALL AddRef() = 0;                                          // 1
  virtual uint32_t VAMP_CALL Release() = 0;                                         // 2
  virtual int32_t VAMP_CALL Reserved3() = 0;
  virtual int32_t VAMP_CALL Reserved4() = 0;
  virtual int32_t VAMP_CALL Reserved5() = 0;
  virtual int32_t VAMP_CALL Reserved6() = 0;
  virtual int32_t VAMP_CALL get_DeviceCount(int32_t* count) = 0;                  // 7
  virtual int32_t VAMP_CALL get_Device(int32_t index, IVampDevice** device) = 0;  // 8

 protected:
  ~IVampDeviceEnum() = default;
};

}  // namespace device

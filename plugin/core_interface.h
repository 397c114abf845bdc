// What reaches the core: the key-event record and the message numbers.
// A leaf header: the key event thread fills the record, the plug-in owns it.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/window.h"

constexpr uint32_t kKeyNotify = plat::kWmUser + 1;       // to CoreWindow
constexpr uint32_t kMonitorPress = plat::kWmUser;        // to the dialog
constexpr uint32_t kMonitorRelease = plat::kWmUser + 1;  // to the dialog
constexpr int32_t kRepeatRelease = -1;

#pragma pack(push, 1)
struct KeyEventRecordT {
  char InstanceName[64];
  char KeyName[124];
  char ExtTag[4];
  int32_t ExtValue;
  int32_t Reserved1;
  int32_t Reserved2;
  uint8_t ReservedA[8];
  uint32_t CodeText;    // 32-bit address of the code text
  uint32_t RemoteName;  // 32-bit address of the remote name
  uint8_t ReservedB[8];
};
#pragma pack(pop)

static_assert(sizeof(KeyEventRecordT) == 228);
static_assert(offsetof(KeyEventRecordT, KeyName) == 64);
static_assert(offsetof(KeyEventRecordT, ExtTag) == 188);
static_assert(offsetof(KeyEventRecordT, ExtValue) == 192);
static_assert(offsetof(KeyEventRecordT, Reserved1) == 196);
static_assert(offsetof(KeyEventRecordT, Reserved2) == 200);
static_assert(offsetof(KeyEventRecordT, CodeText) == 212);
static_assert(offsetof(KeyEventRecordT, RemoteName) == 216);

// What the key event thread needs of the setup dialog: its window, which
// exists before the dialog can be addressed.
struct SetupFormBase {
  std::atomic<plat::WindowHandle> Handle{nullptr};
  virtual ~SetupFormBase() = default;
};

// The single record; its address is what every KeyNotify carries.
extern KeyEventRecordT KeyEventRecord;

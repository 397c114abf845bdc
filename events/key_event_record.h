// What leaves the key event engine: the record every KeyNotify points to, the
// sizes of its texts, and the message numbers. The engine fills the record;
// the plug-in owns the one instance and the setup dialog reads the monitoring
// messages.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/window.h"

namespace events {

constexpr uint32_t kKeyNotify = plat::kWmUser + 1;       // to CoreWindow
constexpr uint32_t kMonitorPress = plat::kWmUser;        // to the dialog
constexpr uint32_t kMonitorRelease = plat::kWmUser + 1;  // to the dialog

// Field sizes with their terminator: a text keeps at most one less.
constexpr size_t kInstanceNameSize = 64;
constexpr size_t kKeyNameSize = 124;
constexpr size_t kRemoteNameSize = 64;  // the thread's remote name buffer

#pragma pack(push, 1)
struct KeyEventRecordT {
  char InstanceName[kInstanceNameSize];
  char KeyName[kKeyNameSize];
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

}  // namespace events

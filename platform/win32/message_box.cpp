// Message boxes on Win32: modal, with no owner window.
#include <windows.h>

#include "platform/system_box.h"

namespace plat {

int system_message_box(const char* text, const char* caption, unsigned flags) {
  return MessageBoxA(nullptr, text, caption, flags);
}

}  // namespace plat

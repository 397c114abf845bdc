// The backend's own message box, behind the sink (internal).
#pragma once

namespace plat {

int system_message_box(const char* text, const char* caption, unsigned flags);

}  // namespace plat

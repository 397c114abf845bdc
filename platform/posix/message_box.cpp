// Message boxes without a desktop: one line on standard error.
#include <cstdio>

#include "platform/system_box.h"

namespace plat {

int system_message_box(const char* text, const char* caption, unsigned) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return 1;  // IDOK
}

}  // namespace plat

#include "platform/com.h"

#include <cstring>

namespace plat {

bool operator==(const Guid& a, const Guid& b) { return std::memcmp(&a, &b, sizeof(Guid)) == 0; }

}  // namespace plat

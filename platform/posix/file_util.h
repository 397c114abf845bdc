// File helpers shared by the POSIX backend's files (internal).
#pragma once
#include <string>
#include <string_view>

namespace plat::detail {

// The file a chain of links ends at (the path itself when it is no link);
// empty for a loop or an unreadable link.
std::string follow_links(std::string path);

// All of content to fd, retrying after signals. False on a failure.
bool write_all(int fd, std::string_view content);

}  // namespace plat::detail

// The remote definition tool's commands: check, watch and learn.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace remote {

// args without the program name. Returns the exit status.
int RunTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace remote

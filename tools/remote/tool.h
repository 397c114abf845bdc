// The remote definition tool's commands: check, watch, learn and cards, and
// without a command at a console of its own, the guided session.
#pragma once
#include <string>
#include <vector>

#include "tools/remote/io.h"

namespace remote {

// args without the program name. Returns the exit status.
int RunTool(const std::vector<std::string>& args, Input& in, Output& out, Output& err);

}  // namespace remote

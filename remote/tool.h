// The remote definition tool's commands: check, watch, learn and cards, and
// without a command at a console of its own, the guided session.
#pragma once
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "remote/io.h"

namespace remote {

// args without the program name. Returns the exit status.
int RunTool(const std::vector<std::string>& args, Input& in, Output& out, Output& err);
// The same with the program's own arguments; one that has no ANSI form is
// refused before anything is opened.
int RunTool(const plat::Arguments& args, Input& in, Output& out, Output& err);

}  // namespace remote

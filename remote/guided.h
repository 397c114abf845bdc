// The guided session: what a double-click on the tool starts. It lists the
// capture devices with what is known about them, finds the plug-in, and runs
// the cards, learn and watch commands chosen in plain words, for a person
// who never opens a command prompt.
#pragma once
#include <string>
#include <vector>

#include "remote/io.h"

namespace remote {

struct GuidedPlaces {
  std::string tool_folder;  // the program's folder, where the plug-in is looked for first
  std::string definitions;  // the known cards' definitions
  // More options for the learn and watch commands (shorter timings in the tests).
  std::vector<std::string> learn_options, watch_options;
};

// Both folders end in a path separator. Everything, the commands' errors
// too, goes to out; it ends by asking for Enter, so that the window stays
// until it has been read. Returns the exit status of the last command run.
int RunGuided(const GuidedPlaces& places, Input& in, Output& out);

}  // namespace remote

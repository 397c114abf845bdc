// Runs the remote tool in the test's process, with the answers as its input.
#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "tools/remote/tool.h"

struct ToolRun {
  int status = 0;
  std::string out, err;
};

inline ToolRun RunRemoteTool(const std::vector<std::string>& args, const std::string& answers = "") {
  std::istringstream in(answers);
  std::ostringstream out, err;
  ToolRun run;
  run.status = remote::RunTool(args, in, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

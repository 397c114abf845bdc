// Runs the remote tool in the test's process, with the answers as its input.
#pragma once
#include <string>
#include <vector>

#include "remote/io.h"
#include "remote/tool.h"

struct ToolRun {
  int status = 0;
  std::string out, err;
};

inline ToolRun RunRemoteTool(const std::vector<std::string>& args, remote::Input& in) {
  remote::StringOutput out, err;
  ToolRun run;
  run.status = remote::RunTool(args, in, out, err);
  run.out = out.text();
  run.err = err.text();
  return run;
}

inline ToolRun RunRemoteTool(const std::vector<std::string>& args, const std::string& answers = "") {
  remote::StringInput in(answers);
  return RunRemoteTool(args, in);
}

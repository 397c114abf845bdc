// Runs the remote tool in the test's process, with the answers as its input.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/code_text.h"
#include "config/definition.h"
#include "config/key_index.h"
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

// "code=name" of each key of a definition, in file order.
inline std::vector<std::string> KeyLines(const config::Definition& definition) {
  std::vector<std::string> lines;
  for (const config::DefinitionKey& key : definition.keys) lines.push_back(key.code + "=" + key.name);
  return lines;
}

// The name the plug-in gives the code written so; empty when none.
inline std::string KeyNameOf(const config::Definition& definition, std::string_view code_text) {
  const std::optional<uint64_t> code = config::CodeOfText(code_text);
  const config::KeyIndex index(definition.keys, definition.name);
  const config::KeyIndex::Key* key = code ? index.Find(*code) : nullptr;
  return key != nullptr ? key->name : std::string();
}

// The definition check: every way a remote definition can silently differ
// from what its author meant, judged on the values the plug-in reads.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/definition.h"
#include "remote/command.h"
#include "remote/io.h"

namespace remote {

struct Finding {
  int line = 0;  // 0: the file as a whole
  bool error = false;
  std::string text;
};

struct FileFacts {
  enum class Kind { Missing, File, Folder, Other };
  Kind kind = Kind::Missing;
  uint64_t size = 0;
  config::Definition definition;  // the one read of the file, with its lines
};

FileFacts GatherFacts(const std::string& path);
// Sorted by line.
std::vector<Finding> CheckDefinition(const FileFacts& facts);

// "FILE:LINE: error: text", or "FILE: error: text" for the whole file.
std::string FormatFinding(const std::string& file, const Finding& finding);
// What the plug-in will use, on one line.
std::string DescribeDefinition(const std::string& file, const config::Definition& definition);

// The check command: each file's findings, then the count. 2 with errors, 1
// with warnings only.
int CheckCommand(const Options& o, Output& out, Output& err);

}  // namespace remote

// SAA713xRemote: checks, watches and learns remote definitions with the
// plug-in's own reading of files and pins.
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "remote/io.h"
#include "remote/tool.h"

int main(int argc, char** argv) {
  const plat::Arguments args = plat::program_arguments(argc, argv);
  remote::ConsoleInput in;
  remote::ConsoleOutput out(false), err(true);
  return remote::RunTool(args, in, out, err);
}

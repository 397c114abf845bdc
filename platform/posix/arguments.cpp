#include "platform/arguments.h"

namespace plat {

// The bytes as given: the native build's texts are already ANSI.
Arguments program_arguments(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) args.ansi.emplace_back(argv[i]);
  return args;
}

}  // namespace plat

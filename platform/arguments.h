// The program's arguments as the ANSI text the rest of the program works in.
// Windows gives a console program its arguments converted with best fit, so
// "Ωmega.cfg" would arrive as "Omega.cfg" and name another file; they are
// taken as UTF-16 instead and converted as typed text is, with no look-alike.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace plat {

struct Arguments {
  bool read = true;               // false when the system could not give them
  std::vector<std::string> ansi;  // after the program's name; empty when one is refused
  size_t refused = 0;             // the first argument without an ANSI form (1 after the name), or 0
  std::string refused_text;       // that argument, '?' for each character the code page lacks
  bool usable() const { return read && refused == 0; }
};

// Each argument to ANSI exactly; the first that cannot be is refused.
Arguments ansi_arguments(const std::vector<std::u16string>& wide);

// The program's arguments after its name: on Windows from the UTF-16
// command line, natively argv as it is.
Arguments program_arguments(int argc, char** argv);

}  // namespace plat

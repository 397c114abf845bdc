// The console of a console program: Ctrl+C as a flag the program polls, so it
// can close what it opened before it ends, and the standard streams. Texts
// are ANSI; only a real console sees them converted, files and pipes get the
// bytes as they are.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

// From now on Ctrl+C (SIGINT; a console control event on Windows) only sets
// the flag. Clears the flag.
void catch_interrupt();
// Ctrl+C ends the process again.
void release_interrupt();
bool interrupted();

// Standard input is a console or terminal (the person types), not a file or a pipe.
bool input_is_terminal();

// The program reads and writes a console that no other program shares: it
// was started by a double-click, not from a command prompt, and its window
// closes when it ends. False with a redirected stream. Natively there is no
// such window; SAA713X_OWN_CONSOLE=1 in the environment stands in for one.
bool console_of_its_own();

enum class ConsoleStream { Out, Err };

// Writes ANSI text to standard output or error. A Windows console gets it as
// UTF-16 converted from the ANSI code page; a file or a pipe gets the bytes
// unchanged, on Windows with CR LF line ends as the C runtime's text mode
// wrote them. False when it could not all be written.
bool console_write(ConsoleStream stream, std::string_view text);

// Longer lines of standard input are cut to this many bytes.
constexpr size_t kMaxConsoleLine = 64 * 1024;

enum class ConsoleRead { Line, End, NotAnsi };
// The next line of standard input without its line end. Typed at a Windows
// console it is converted to ANSI; NotAnsi (line empty) when a character has
// no ANSI form. From a file or a pipe, and natively, the bytes unchanged.
// End when the input has ended, failed or Ctrl+C broke off the read.
ConsoleRead console_read_line(std::string& line);

}  // namespace plat

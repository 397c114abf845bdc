// Ctrl+C for console programs: it sets a flag that the program polls, so the
// program can close what it opened before it ends.
#pragma once

namespace plat {

// From now on Ctrl+C (SIGINT; a console control event on Windows) only sets
// the flag. Clears the flag.
void catch_interrupt();
// Ctrl+C ends the process again.
void release_interrupt();
bool interrupted();
// Sets the flag as Ctrl+C would.
void request_interrupt();

// Standard input is a terminal (the person types), not a file or a pipe.
bool input_is_terminal();

}  // namespace plat

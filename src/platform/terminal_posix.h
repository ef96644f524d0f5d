// The terminal a console reads keys and lines from: its modes, and their
// return to the terminal's own settings on every exit (signals included).
#pragma once

namespace kestram {

enum TerminalMode : int { kOriginalMode = 0, kKeyMode = 1, kLineMode = 2 };

// Starts the use of the terminal `fd` by one more console; false when its
// settings cannot be read. Only one terminal is managed at a time. The first
// use installs the handlers of the signals that end or stop the process.
bool acquire_terminal(int fd);
// Ends one use; the last puts the terminal's own settings back.
void release_terminal();
void set_terminal_mode(TerminalMode mode);
// For the end of the process: the terminal's own settings, if one is in use.
void restore_original_terminal_mode();

}  // namespace kestram

// The console over explicit POSIX descriptors. make_process_console() uses
// standard input and output; tests hand in pipes, files and pseudo-terminals.
#pragma once

#include <memory>

#include "platform/console.h"

namespace kestram {

// A console reading `input_fd` and writing `output_fd`; neither is closed.
//
// When `input_fd` is not a terminal, each read_key takes exactly one byte and
// each read_line the bytes up to "\n", so nothing after the answer is taken
// from the input; nothing is echoed and width() is 80.
//
// When it is a terminal, keys are read raw and without echo (an escape
// sequence or a UTF-8 character is one key), lines in the terminal's line mode
// with echo. The terminal's first settings come back when the last such
// console dies, at exit, and before SIGINT, SIGTERM, SIGHUP or SIGQUIT end the
// process (or SIGTSTP stops it).
//
// Output is held in the console and written before every read, on flush()
// and at the end. flush() also gives a terminal the user's settings back until
// the next read, for the program that is about to be started. A write that fails for good (a closed pipe) drops the
// output from then on and never ends the process.
std::unique_ptr<Console> make_fd_console(int input_fd, int output_fd);

}  // namespace kestram

// The console over explicit Windows handles. make_process_console() uses the
// standard handles; tests hand in pipes and files.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <string>

#include "platform/console.h"

namespace kestram {

// A console reading `input` and writing `output`; neither handle is closed.
//
// When GetConsoleMode accepts `input` it is a console: keys come from its
// input records (see KeyDecoder) without echo, lines from its line mode with
// echo. Otherwise `input` is a pipe or a file, read one byte at a time with no
// echo: read_key takes exactly one byte and read_line the bytes up to "\n", so
// nothing after the answer is taken from the input, and a child process that
// inherits the handle finds the rest in place. End of input is nullopt.
//
// Output is held in the console and written before every read, on flush()
// and at the end. A write that fails for good (a closed pipe) drops the
// output from then on and never ends the process.
std::unique_ptr<Console> make_handle_console(HANDLE input, HANDLE output);

// Turns console input records into key presses the way a one-key menu sees
// them: a key-down that gives a character is that character in `code_page`;
// a key-down that gives none (an arrow, a function key) is one key "";
// Shift, Ctrl, Alt, the Windows keys and the lock keys alone are no key. A
// held key repeats. A character typed as Alt plus keypad digits is one key
// when Alt is let go; a character beyond 16 bits (two surrogate records) is
// one key.
class KeyDecoder {
 public:
  explicit KeyDecoder(UINT code_page) : code_page_(code_page) {}

  // Appends the keys that `record` completes to `keys`.
  void feed(const INPUT_RECORD& record, std::deque<std::string>& keys);

 private:
  std::string encode(const wchar_t* text, int length) const;

  UINT code_page_;
  wchar_t high_surrogate_ = 0;
};

}  // namespace kestram

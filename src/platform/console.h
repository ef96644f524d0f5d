// The console the user talks to: printed text, single key presses, typed lines.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kestram {

class Console {
 public:
  virtual ~Console() = default;

  // Writes the text as it is; adds no line end.
  virtual void write(std::string_view text) = 0;

  // One key press, without echo and without Enter. A key that gives no
  // character (an arrow, a function key) is returned as "". nullopt means the
  // input has ended: no key will ever come.
  virtual std::optional<std::string> read_key() = 0;

  // One typed line, echoed, without its line end. nullopt at end of input.
  virtual std::optional<std::string> read_line() = 0;

  // Width of the console line in columns.
  virtual int width() const = 0;

  // Writes out any output the console still holds, so that it stands before
  // what a child process prints next.
  virtual void flush() {}
};

// The console of this process: raw keys on a terminal, one byte per key and
// one line per answer when standard input is a pipe or a file. The terminal's
// settings are restored when the object is destroyed and when the process is
// ended by a signal.
std::unique_ptr<Console> make_process_console();

}  // namespace kestram

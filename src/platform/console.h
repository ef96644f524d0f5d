// The console the user talks to: printed text, single key presses, typed lines.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kestram {

// A typed line is kept up to this many bytes; the rest of a longer line is
// read and dropped, so that no input can exhaust memory. Every answer field
// the dialogue takes from a line is far shorter.
constexpr std::size_t kMaxTypedLineBytes = std::size_t{1} << 20;

class Console {
 public:
  virtual ~Console() = default;

  // Writes the text as it is; adds no line end. Output may be held back
  // until the next read, flush() or the end of the console.
  virtual void write(std::string_view text) = 0;

  // Hands every written byte on to the screen or the output stream. Called
  // before anything else (an external command) writes to the same output.
  virtual void flush() {}

  // One key press, without echo and without Enter. A key that gives no
  // character (an arrow, a function key) is returned as "". nullopt means the
  // input has ended: no key will ever come.
  virtual std::optional<std::string> read_key() = 0;

  // One typed line, echoed, without its line end (at most kMaxTypedLineBytes
  // of it). nullopt at end of input.
  virtual std::optional<std::string> read_line() = 0;

  // Width of the console line in columns.
  virtual int width() const = 0;
};

// The console of this process: raw keys on a terminal, one byte per key and
// one line per answer when standard input is a pipe or a file. The terminal's
// settings are restored when the object is destroyed and when the process is
// ended by a signal.
std::unique_ptr<Console> make_process_console();

}  // namespace kestram

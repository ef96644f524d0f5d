// This platform's console as a program sees it whose input is a pipe or a
// file: made over an input holding given bytes and an output file, by the
// same function the program uses for its own handles or descriptors.
#pragma once

#include <memory>
#include <string>

#include "platform/console.h"
#include "support/temp_dir.h"

namespace kestram::testing {

class PipedConsole {
 public:
  // The input is a pipe closed after `input` or, with `regular_file`, a file
  // holding it; the output goes to a file, or with `output_unread` to a pipe
  // whose reading end is closed.
  PipedConsole(const std::string& input, bool regular_file, bool output_unread = false);
  ~PipedConsole();
  PipedConsole(const PipedConsole&) = delete;
  PipedConsole& operator=(const PipedConsole&) = delete;

  Console& console() { return *console_; }
  // Ends the console, which writes what it still holds.
  void end_console() { console_.reset(); }
  // What the output file holds now.
  std::string output() const { return read_file(dir_.file("out")); }
  // What a later reader of the input finds in it.
  std::string rest_of_input();

 private:
  TempDir dir_;
  struct Ends;
  std::unique_ptr<Ends> ends_;
  std::unique_ptr<Console> console_;
};

}  // namespace kestram::testing

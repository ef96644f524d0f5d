// A command line run through the shell on a thread of its own, so that a long
// copy overlaps the work that does not need it.
#pragma once

#include <string>

#include "platform/shell.h"
#include "text/side_work.h"

namespace kestram {

// Until wait() has returned, nothing else may use the shell, the console or
// the files the command touches: the command may write to the console (its
// error messages) and to its own files at any moment before. The destructor
// waits too. Without a thread to be had, start() runs the command itself.
class BackgroundCommand {
 public:
  // Starts the command, once an earlier one has ended.
  void start(Shell& shell, std::string command_line) {
    thread_.start([&shell, line = std::move(command_line)] { shell.run(line); });
  }
  // Waits for the command (and throws again what running it threw).
  void wait() { thread_.wait(); }

 private:
  SideWork thread_;
};

}  // namespace kestram

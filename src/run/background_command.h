// A command line run through the shell on a thread of its own, so that a long
// copy overlaps the work that does not need it.
#pragma once

#include <string>
#include <thread>

#include "platform/shell.h"

namespace kestram {

// Until wait() has returned, nothing else may use the shell, the console or
// the files the command touches: the command may write to the console (its
// error messages) and to its own files at any moment before. The destructor
// waits too.
class BackgroundCommand {
 public:
  BackgroundCommand() = default;
  ~BackgroundCommand() { wait(); }
  BackgroundCommand(const BackgroundCommand&) = delete;
  BackgroundCommand& operator=(const BackgroundCommand&) = delete;

  // Starts the command, once an earlier one has ended.
  void start(Shell& shell, std::string command_line) {
    wait();
    thread_ = std::thread([&shell, line = std::move(command_line)] { shell.run(line); });
  }
  void wait() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace kestram

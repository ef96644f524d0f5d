// The command interpreter: runs one command line and waits for it.
#pragma once

#include <string_view>

namespace kestram {

class Shell {
 public:
  virtual ~Shell() = default;
  // Runs the command line (with its ">", ">>" and "|" redirections) and waits
  // until it has finished. Its success is never reported: callers learn what
  // a command did only by reading the file its output was redirected to.
  virtual void run(std::string_view command_line) = 0;
};

}  // namespace kestram

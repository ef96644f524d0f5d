// The command interpreter: runs one command line and waits for it.
#pragma once

#include <memory>
#include <string_view>

#include "platform/console.h"

namespace kestram {

class Shell {
 public:
  virtual ~Shell() = default;
  // Runs the command line (with its ">", ">>" and "|" redirections) and waits
  // until it has finished. Its success is never reported: callers learn what
  // a command did only by reading the file its output was redirected to.
  virtual void run(std::string_view command_line) = 0;
};

// The command interpreter of this platform, working in the process's current
// directory (taken when it is made); messages go to `console`, which must
// outlive it.
std::unique_ptr<Shell> make_process_shell(Console& console);

}  // namespace kestram

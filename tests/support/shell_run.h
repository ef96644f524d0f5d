// Runs a companion program through the shell in a test's directory and
// collects what it printed. POSIX only.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace kestram::testing {

struct ShellOutcome {
  int status;  // -1 when the shell did not exit normally
  std::string out;
  std::string err;
};

// Runs the shell command `command` in `dir` with no input; its standard
// output and error go through the files "stdout" and "stderr" there.
inline ShellOutcome run_in_shell(const TempDir& dir, const std::string& command) {
  const std::string line = "cd '" + dir.path().string() + "' && " + command + " >stdout 2>stderr </dev/null";
  const int status = std::system(line.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(dir.file("stdout")), read_file(dir.file("stderr"))};
}

}  // namespace kestram::testing

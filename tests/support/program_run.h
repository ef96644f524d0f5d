// Runs a built program in a directory with scripted standard input, for the
// end-to-end tests. POSIX only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestram::testing {

struct ProgramResult {
  int exit_status = -1;     // -1 when it did not exit normally
  bool timed_out = false;   // killed after the time limit
  std::string output;       // standard output and standard error, interleaved
};

// What a program gets from the system beyond the usual.
struct ProgramSetting {
  std::vector<std::string> environment;   // "NAME=value", added to this process's
  std::uint64_t address_space_bytes = 0;  // the most memory it may map; 0: no limit
};

// Runs `program` (a path) with `arguments` in `directory`, feeding `input` to
// its standard input and closing it afterwards. A program still running after
// `seconds` is killed.
ProgramResult run_program_in(const std::string& directory, const std::string& program,
                             const std::vector<std::string>& arguments, const std::string& input,
                             int seconds = 60, const ProgramSetting& setting = {});

// Lays out `directory` as an installation: the main program, the companion
// programs and the sample document, copied from the build and source trees.
void install_into(const std::string& directory);

// Runs the installed main program in `directory` with the given keys.
ProgramResult run_kestram(const std::string& directory, const std::string& keys, int seconds = 60,
                          const ProgramSetting& setting = {});

}  // namespace kestram::testing

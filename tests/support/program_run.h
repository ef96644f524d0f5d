// Runs the installed program in a directory with keys on its standard input,
// for the end-to-end tests. POSIX only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestram::testing {

struct ProgramResult {
  int exit_status = -1;    // -1 when it did not exit normally
  bool timed_out = false;  // killed after the time limit
  std::string output;      // standard output and standard error, interleaved
  std::string error;       // standard error, when kept apart
};

// What the program gets from the system beyond the usual.
struct ProgramSetting {
  std::vector<std::string> environment;   // "NAME=value", added to this process's
  std::uint64_t address_space_bytes = 0;  // the most memory it may map; 0: no limit
  bool error_apart = false;               // standard error not in the output
};

// Runs `program` with `arguments` in `directory`, feeding it `input` and
// closing its input afterwards; killed after `seconds`.
ProgramResult run_program_in(const std::string& directory, const std::string& program,
                             const std::vector<std::string>& arguments, const std::string& input,
                             int seconds = 60, const ProgramSetting& setting = {});

// The built program of an installation's name: "kestram", "convertcp.exe",
// "wget.exe" or "lexpage_1_0.exe".
std::string built_program(const std::string& name);

// Lays out `directory` as an installation: the main program, the companion
// programs and the sample document, copied from the build and source trees.
void install_into(const std::string& directory);

// Runs the installed program in `directory`, feeding it `keys` and closing
// its input afterwards; killed after `seconds`.
ProgramResult run_kestram(const std::string& directory, const std::string& keys, int seconds = 60,
                          const ProgramSetting& setting = {});

// As run_kestram; a run that times out or ends with a status other than 0
// fails the test.
ProgramResult run_kestram_ok(const std::string& directory, const std::string& keys, int seconds = 60);

// The number under which the file list of a run in `directory` that ends at
// the file choice shows `name` (a name not listed fails the test and gives
// "0").
std::string list_number_in(const std::string& directory, const std::string& name);

// A run_kestram_ok through the terms and the notes to the file choice,
// answered with the list number of `name`, then `answers`.
ProgramResult run_kestram_on(const std::string& directory, const std::string& name, const std::string& answers,
                             int seconds = 60);

inline bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace kestram::testing

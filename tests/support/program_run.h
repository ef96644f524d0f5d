// Runs a built program in a directory with scripted standard input, and
// reads what it printed and wrote, for the end-to-end tests. POSIX only.
#pragma once

#include <cstddef>
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

// As run_kestram; a run that times out or ends with a status other than 0
// fails the test.
ProgramResult run_kestram_ok(const std::string& directory, const std::string& keys, int seconds = 60);

// The number under which the file list in `output` shows `name`: the list
// line is a blank, the number, a blank and the name. "" when not listed.
std::string list_number_of(const std::string& output, const std::string& name);

// The list number of `name` from a run in `directory` that ends at the file
// choice. A name not listed fails the test and gives "0", which ends a run.
std::string list_number_in(const std::string& directory, const std::string& name);

// A run_kestram_ok through the terms and the notes to the file choice,
// answered with the list number of `name`, then `answers`.
ProgramResult run_kestram_on(const std::string& directory, const std::string& name, const std::string& answers,
                             int seconds = 60);

// The lines of CR LF text without their ends; a last line without one counts.
std::vector<std::string> split_lines(const std::string& text);

// Lines counted the way the program reads them: ended by LF, CR LF or a lone
// CR, and a last line without an end.
std::size_t line_count(const std::string& bytes);

bool ends_with(const std::string& text, const std::string& tail);

}  // namespace kestram::testing

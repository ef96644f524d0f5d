#include "support/program_run.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/temp_dir.h"

namespace kestram::testing {

namespace {

// The text as one word of the shell.
std::string quoted(const std::string& text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

}  // namespace

// The input comes through a pipe that closes after it; the time limit and the
// environment are those of timeout(1) and env(1).
ProgramResult run_program_in(const std::string& directory, const std::string& program,
                             const std::vector<std::string>& arguments, const std::string& input,
                             int seconds, const ProgramSetting& setting) {
  TempDir io;
  write_file(io.file("in"), input);
  std::string line = "cd " + quoted(directory) + " || exit 126; ";
  if (setting.address_space_bytes != 0)
    line += "ulimit -v " + std::to_string(setting.address_space_bytes >> 10) + " || exit 126; ";
  line += "cat " + quoted(io.file("in")) + " | timeout -k 5 " + std::to_string(seconds) + " env";
  for (const std::string& variable : setting.environment) line += " " + quoted(variable);
  line += " " + quoted(program);
  for (const std::string& argument : arguments) line += " " + quoted(argument);
  line += " >" + quoted(io.file("out")) + " 2>" + (setting.error_apart ? quoted(io.file("err")) : "&1");
  const int status = std::system(line.c_str());
  ProgramResult result;
  result.output = read_file(io.file("out"));
  result.error = read_file(io.file("err"));
  const int exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.timed_out = exit_status == 124;
  // A program ended by a signal: the shell's status is 128 and the signal.
  if (exit_status >= 0 && exit_status < 128 && !result.timed_out) result.exit_status = exit_status;
  return result;
}

std::string built_program(const std::string& name) {
  const std::string build = KESTRAM_BINARY_DIR;
  if (name == "convertcp.exe") return build + "/tools/convertcp/" + name;
  if (name == "wget.exe") return build + "/tools/wget/" + name;
  if (name == "lexpage_1_0.exe") return build + "/indexer/" + name;
  return build + "/" + name;
}

void install_into(const std::string& directory) {
  namespace fs = std::filesystem;
  const auto options = fs::copy_options::overwrite_existing;
  for (const char* name : {"kestram", "convertcp.exe", "wget.exe", "lexpage_1_0.exe"})
    fs::copy_file(built_program(name), fs::path(directory) / name, options);
  fs::copy_file(fs::path(KESTRAM_SOURCE_DIR) / "sample/Report.txt", fs::path(directory) / "Report.txt", options);
}

ProgramResult run_kestram(const std::string& directory, const std::string& keys, int seconds,
                          const ProgramSetting& setting) {
  return run_program_in(directory, directory + "/kestram", {}, keys, seconds, setting);
}

ProgramResult run_kestram_ok(const std::string& directory, const std::string& keys, int seconds) {
  ProgramResult result = run_kestram(directory, keys, seconds);
  EXPECT_FALSE(result.timed_out) << keys;
  EXPECT_EQ(0, result.exit_status) << result.output.substr(0, 4000);
  return result;
}

std::string list_number_in(const std::string& directory, const std::string& name) {
  const ProgramResult listing = run_kestram_ok(directory, "11");
  std::istringstream lines(listing.output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t digits_end = line.find_first_not_of("0123456789", 1);
    if (line.size() > 2 && line[0] == ' ' && digits_end > 1 && digits_end != std::string::npos &&
        line[digits_end] == ' ' && line.compare(digits_end + 1, std::string::npos, name) == 0)
      return line.substr(1, digits_end - 1);
  }
  ADD_FAILURE() << name << " is not listed:\n" << listing.output;
  return "0";
}

ProgramResult run_kestram_on(const std::string& directory, const std::string& name, const std::string& answers,
                             int seconds) {
  return run_kestram_ok(directory, "11" + list_number_in(directory, name) + "\n" + answers, seconds);
}

}  // namespace kestram::testing

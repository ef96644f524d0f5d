#include "support/program_run.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>

namespace kestram::testing {

ProgramResult run_program_in(const std::string& directory, const std::string& program,
                             const std::vector<std::string>& arguments, const std::string& input,
                             int seconds, const ProgramSetting& setting) {
  ProgramResult result;
  // Made before the fork: the child only calls what is safe after it.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** variable = environ; *variable != nullptr; ++variable) envp.push_back(*variable);
  for (const std::string& variable : setting.environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  int to_child[2];
  int from_child[2];
  if (pipe(to_child) != 0 || pipe(from_child) != 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(to_child[0], 0);
    dup2(from_child[1], 1);
    dup2(from_child[1], 2);
    close(to_child[0]);
    close(to_child[1]);
    close(from_child[0]);
    close(from_child[1]);
    if (chdir(directory.c_str()) != 0) _exit(126);
    if (setting.address_space_bytes != 0) {
      const rlimit limit{setting.address_space_bytes, setting.address_space_bytes};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
    }
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(to_child[0]);
  close(from_child[1]);
  signal(SIGPIPE, SIG_IGN);
  fcntl(to_child[1], F_SETFL, O_NONBLOCK);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::size_t written = 0;
  bool input_open = true;
  if (input.empty()) {
    close(to_child[1]);
    input_open = false;
  }
  char buffer[65536];
  for (;;) {
    pollfd fds[2] = {{from_child[0], POLLIN, 0}, {input_open ? to_child[1] : -1, POLLOUT, 0}};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      result.timed_out = true;
      break;
    }
    if (poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
    if (input_open && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t n = write(to_child[1], input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 || written == input.size()) {
        close(to_child[1]);
        input_open = false;
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t n = read(from_child[0], buffer, sizeof buffer);
      if (n <= 0) break;
      result.output.append(buffer, static_cast<std::size_t>(n));
    }
  }
  if (input_open) close(to_child[1]);
  close(from_child[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  return result;
}

void install_into(const std::string& directory) {
  namespace fs = std::filesystem;
  const fs::path build = KESTRAM_BINARY_DIR;
  const auto options = fs::copy_options::overwrite_existing;
  fs::copy_file(build / "kestram", fs::path(directory) / "kestram", options);
  fs::copy_file(build / "tools/convertcp/convertcp.exe", fs::path(directory) / "convertcp.exe", options);
  fs::copy_file(build / "tools/wget/wget.exe", fs::path(directory) / "wget.exe", options);
  fs::copy_file(build / "indexer/lexpage_1_0.exe", fs::path(directory) / "lexpage_1_0.exe", options);
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

std::string list_number_of(const std::string& output, const std::string& name) {
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t digits_end = line.find_first_not_of("0123456789", 1);
    if (line.size() > 2 && line[0] == ' ' && digits_end > 1 && digits_end != std::string::npos &&
        line[digits_end] == ' ' && line.compare(digits_end + 1, std::string::npos, name) == 0)
      return line.substr(1, digits_end - 1);
  }
  return "";
}

std::string list_number_in(const std::string& directory, const std::string& name) {
  const ProgramResult listing = run_kestram_ok(directory, "11");
  const std::string number = list_number_of(listing.output, name);
  if (!number.empty()) return number;
  ADD_FAILURE() << name << " is not listed:\n" << listing.output;
  return "0";
}

ProgramResult run_kestram_on(const std::string& directory, const std::string& name, const std::string& answers,
                             int seconds) {
  return run_kestram_ok(directory, "11" + list_number_in(directory, name) + "\n" + answers, seconds);
}

}  // namespace kestram::testing

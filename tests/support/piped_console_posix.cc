#include "support/piped_console.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/console_posix.h"

namespace kestram::testing {

PipedConsole::PipedConsole(const std::string& input, bool regular_file, bool output_unread) {
  int fds[2] = {-1, -1};
  if (regular_file) {
    write_file(dir.file("in"), input);
    input_end = open(dir.file("in").c_str(), O_RDONLY);
  } else if (pipe(fds) == 0 && write(fds[1], input.data(), input.size()) == static_cast<ssize_t>(input.size())) {
    input_end = fds[0];
    close(fds[1]);
  }
  if (output_unread && pipe(fds) == 0) {
    close(fds[0]);
    output_end = fds[1];
  } else if (!output_unread) {
    output_end = open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  console = make_fd_console(static_cast<int>(input_end), static_cast<int>(output_end));
}

PipedConsole::~PipedConsole() {
  console.reset();
  close(static_cast<int>(input_end));
  close(static_cast<int>(output_end));
}

std::string PipedConsole::rest_of_input() {
  std::string rest;
  char buffer[4096];
  for (ssize_t n; (n = read(static_cast<int>(input_end), buffer, sizeof buffer)) > 0;)
    rest.append(buffer, static_cast<std::size_t>(n));
  return rest;
}

}  // namespace kestram::testing

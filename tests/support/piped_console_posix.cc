#include "support/piped_console.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/console_posix.h"

namespace kestram::testing {

struct PipedConsole::Ends {
  int input = -1;
  int output = -1;
  ~Ends() {
    for (int fd : {input, output})
      if (fd >= 0) close(fd);
  }
};

PipedConsole::PipedConsole(const std::string& input, bool regular_file, bool output_unread)
    : ends_(std::make_unique<Ends>()) {
  if (regular_file) {
    write_file(dir_.file("in"), input);
    ends_->input = open(dir_.file("in").c_str(), O_RDONLY);
  } else {
    int fds[2];
    if (pipe(fds) == 0 && write(fds[1], input.data(), input.size()) == static_cast<ssize_t>(input.size())) {
      ends_->input = fds[0];
      close(fds[1]);
    }
  }
  if (output_unread) {
    int fds[2];
    if (pipe(fds) == 0) {
      close(fds[0]);
      ends_->output = fds[1];
    }
  } else {
    ends_->output = open(dir_.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  console_ = make_fd_console(ends_->input, ends_->output);
}

PipedConsole::~PipedConsole() { console_.reset(); }

std::string PipedConsole::rest_of_input() {
  std::string rest;
  char buffer[4096];
  for (ssize_t n; (n = read(ends_->input, buffer, sizeof buffer)) > 0;) rest.append(buffer, static_cast<std::size_t>(n));
  return rest;
}

}  // namespace kestram::testing

#include "support/piped_console.h"

#include "platform/console_windows.h"

namespace kestram::testing {

struct PipedConsole::Ends {
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE output = INVALID_HANDLE_VALUE;
  ~Ends() {
    for (HANDLE handle : {input, output})
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

PipedConsole::PipedConsole(const std::string& input, bool regular_file, bool output_unread)
    : ends_(std::make_unique<Ends>()) {
  if (regular_file) {
    write_file(dir_.file("in"), input);
    ends_->input = CreateFileA(dir_.file("in").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  } else {
    HANDLE write_end = nullptr;
    DWORD written = 0;
    if (CreatePipe(&ends_->input, &write_end, nullptr, 1 << 20)) {
      WriteFile(write_end, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
      CloseHandle(write_end);
    }
  }
  if (output_unread) {
    HANDLE read_end = nullptr;
    if (CreatePipe(&read_end, &ends_->output, nullptr, 0)) CloseHandle(read_end);
  } else {
    ends_->output = CreateFileA(dir_.file("out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  }
  console_ = make_handle_console(ends_->input, ends_->output);
}

PipedConsole::~PipedConsole() { console_.reset(); }

std::string PipedConsole::rest_of_input() {
  std::string rest;
  char buffer[4096];
  for (DWORD n = 0; ReadFile(ends_->input, buffer, sizeof buffer, &n, nullptr) && n > 0;) rest.append(buffer, n);
  return rest;
}

}  // namespace kestram::testing

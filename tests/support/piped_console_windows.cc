#include "support/piped_console.h"

#include "platform/console_windows.h"

namespace kestram::testing {
namespace {

HANDLE handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

PipedConsole::PipedConsole(const std::string& input, bool regular_file, bool output_unread) {
  HANDLE read_end = INVALID_HANDLE_VALUE;
  HANDLE write_end = INVALID_HANDLE_VALUE;
  DWORD written = 0;
  if (regular_file) {
    write_file(dir.file("in"), input);
    read_end = CreateFileA(dir.file("in").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  } else if (CreatePipe(&read_end, &write_end, nullptr, 1 << 20)) {
    WriteFile(write_end, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(write_end);
  }
  input_end = reinterpret_cast<std::intptr_t>(read_end);
  HANDLE out = INVALID_HANDLE_VALUE;
  if (output_unread && CreatePipe(&read_end, &out, nullptr, 0)) CloseHandle(read_end);
  if (!output_unread)
    out = CreateFileA(dir.file("out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  output_end = reinterpret_cast<std::intptr_t>(out);
  console = make_handle_console(handle(input_end), handle(output_end));
}

PipedConsole::~PipedConsole() {
  console.reset();
  CloseHandle(handle(input_end));
  CloseHandle(handle(output_end));
}

std::string PipedConsole::rest_of_input() {
  std::string rest;
  char buffer[4096];
  for (DWORD n = 0; ReadFile(handle(input_end), buffer, sizeof buffer, &n, nullptr) && n > 0;) rest.append(buffer, n);
  return rest;
}

}  // namespace kestram::testing

#include "platform/process.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include <string>
#include <vector>

namespace kestram {

std::filesystem::path program_directory(std::string_view started_path) {
  std::vector<char> name(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) break;
    if (length < name.size()) return std::filesystem::path(std::string(name.data(), length)).parent_path();
    name.resize(name.size() * 2);
  }
  std::error_code ec;
  return std::filesystem::absolute(std::filesystem::path(started_path), ec).parent_path();
}

std::string_view native_line_end() { return "\r\n"; }

void write_standard_streams_unchanged() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::string run_and_wait(const std::filesystem::path& dir, const std::string& program) {
  const std::string dir_text = dir.string();
  const std::string path = dir_text + "\\" + program;
  std::string command_line = "\"" + path + "\"";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nowhere = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nowhere;
  startup.hStdOutput = nowhere;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(path.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      dir_text.c_str(), &startup, &process);
  const DWORD start_error = GetLastError();
  if (nowhere != INVALID_HANDLE_VALUE) CloseHandle(nowhere);
  if (!started) return "cannot start " + program + ": error " + std::to_string(start_error);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  if (status != 0) return program + " ended with status " + std::to_string(status);
  return "";
}

}  // namespace kestram

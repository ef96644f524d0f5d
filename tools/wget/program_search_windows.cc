#include <windows.h>

#include <cstdlib>
#include <string>

#include "program_search.h"

namespace kestram {
namespace {

// The identity of a file (volume and file index), whatever name reaches it.
bool file_identity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  return known;
}

// One argument as the C runtime of the started program splits it again:
// quoted when it holds blanks or quotes, with backslashes doubled before a
// quote.
std::string quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  std::string out = "\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < argument.size() && argument[i] == '\\') {
      ++i;
      ++backslashes;
    }
    if (i == argument.size()) {
      out.append(backslashes * 2, '\\');
      break;
    }
    if (argument[i] == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    out += argument[i];
  }
  out += '"';
  return out;
}

std::string last_error_text() {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                GetLastError(), 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) --length;
  return length > 0 ? std::string(text, length) : std::string("unknown error");
}

}  // namespace

std::string search_path() {
  const char* path = std::getenv("PATH");
  return path != nullptr ? path : "";
}

char search_path_separator() { return ';'; }

std::string program_file_name(std::string_view name) { return std::string(name) + ".exe"; }

bool is_other_program(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  BY_HANDLE_FILE_INFORMATION mine;
  BY_HANDLE_FILE_INFORMATION theirs;
  if (length == 0 || length == MAX_PATH || !file_identity(std::string(self, length), mine) ||
      !file_identity(path, theirs))
    return true;
  return mine.dwVolumeSerialNumber != theirs.dwVolumeSerialNumber ||
         mine.nFileIndexHigh != theirs.nFileIndexHigh || mine.nFileIndexLow != theirs.nFileIndexLow;
}

// Windows cannot replace a process: the program runs as a child, and this
// process ends with its exit status.
std::string hand_over(const std::string& path, char** argv, const char* marker) {
  SetEnvironmentVariableA(marker, "1");
  std::string command_line = quoted(path);
  for (char** argument = argv + 1; *argument != nullptr; ++argument)
    command_line += " " + quoted(*argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(path.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process))
    return last_error_text();
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  std::exit(static_cast<int>(status));
}

}  // namespace kestram

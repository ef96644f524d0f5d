// The command lines of the run go to the real command interpreter.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/console.h"
#include "platform/shell.h"

namespace kestram {
namespace {

// The code page in which the interpreter writes redirected output: the
// console's output code page, or the ANSI code page (0, CP_ACP) when there is
// no console. File names in command lines come from such output ("dir /b"),
// so their bytes are read back in the same code page and name the same file.
UINT command_code_page() { return GetConsoleOutputCP(); }

std::wstring widen(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), size);
  return wide;
}

class InterpreterShell : public Shell {
 public:
  explicit InterpreterShell(Console& console) : console_(console) {
    // "copy" without /y asks before it overwrites when run outside a batch
    // file; its question would go into the redirect file and its answer would
    // be taken from the user's keys. The run copies onto its own work files
    // (sour_in.txt twice in every run), so copies always overwrite.
    _wputenv(L"COPYCMD=/Y");
  }

  void run(std::string_view command_line) override {
    // Our lines must stand on the console before the command's own output.
    console_.flush();
    std::fflush(nullptr);
    if (command_line.find('\0') != std::string_view::npos) {
      // Cut at the NUL, it would be a different command.
      console_.write("The command line holds a NUL byte and was not run.\r\n");
      console_.flush();
      return;
    }
    const std::wstring wide = widen(command_line, command_code_page());
    if (wide.empty()) return;
    _wsystem(wide.c_str());
  }

 private:
  Console& console_;
};

}  // namespace

std::unique_ptr<Shell> make_process_shell(Console& console) { return std::make_unique<InterpreterShell>(console); }

}  // namespace kestram

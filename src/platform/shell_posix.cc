// On this platform the command lines run in the program's own emulation of
// the command interpreter; programs started by "start" run as processes.
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/launcher.h"
#include "platform/shell.h"
#include "platform/shell_emulator.h"

namespace kestram {
namespace {

class ProcessShell : public Shell {
 public:
  ProcessShell(std::filesystem::path directory, Console& console)
      : launcher_(make_process_launcher()), emulator_(std::move(directory), console, *launcher_) {}
  void run(std::string_view command_line) override { emulator_.run(command_line); }

 private:
  std::unique_ptr<Launcher> launcher_;
  ShellEmulator emulator_;
};

}  // namespace

std::unique_ptr<Shell> make_process_shell(Console& console) {
  std::error_code ec;
  std::filesystem::path directory = std::filesystem::current_path(ec);
  if (ec) directory = ".";
  return std::make_unique<ProcessShell>(std::move(directory), console);
}

}  // namespace kestram

// The command interpreter as the program's own built-in layer: runs the
// command lines the system composes (dir, del, copy, md, for, start, cmd /c,
// find, findstr, sort, with ">", ">>", "<" and "|") over the files below one
// working directory, without any outside program.
//
// Output that a line does not redirect goes to the console, and so does every
// error message; lines end in CR LF. File names resolve without regard to
// letter case when no exact match exists, and "\" separates directories as "/"
// does. A quoted word is always one name: whatever it holds never runs, pipes
// or redirects anything.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/launcher.h"
#include "platform/shell.h"

namespace kestram {

namespace shell_commands {
struct CommandContext;
}

class ShellEmulator : public Shell {
 public:
  // Every name is taken relative to `working_directory`, never to the
  // process's current directory. "start" hands its program to `launcher`.
  ShellEmulator(std::filesystem::path working_directory, Console& console, Launcher& launcher);

  void run(std::string_view command_line) override;

 private:
  void execute(const std::vector<CommandWord>& words, const shell_commands::CommandContext& context,
               int for_depth);
  void run_for(const std::vector<CommandWord>& args, const shell_commands::CommandContext& context,
               int for_depth);
  void run_start(const std::vector<CommandWord>& args, const shell_commands::CommandContext& context);

  std::filesystem::path working_directory_;
  Console& console_;
  Launcher& launcher_;
};

}  // namespace kestram

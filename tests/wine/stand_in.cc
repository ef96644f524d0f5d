// A stand-in for find.exe, findstr.exe or sort.exe (the command it is built
// for), which stock wine lacks or has only in part; the wine end-to-end run
// (.ci/windows) puts it on the search path. It is the program's own built-in
// command, so the Windows build runs with the commands its Linux build uses.
// A test tool only: never installed.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <string>

#include "platform/shell_commands.h"

namespace {

using namespace kestram;

// Messages go to standard error, as the real programs' do.
class ErrorConsole : public Console {
 public:
  void write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stderr); }
  std::optional<std::string> read_key() override { return std::nullopt; }
  std::optional<std::string> read_line() override { return std::nullopt; }
  int width() const override { return 80; }
};

class StandardOutput : public shell_commands::OutputSink {
 public:
  void write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
};

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  const std::string command = STAND_IN_COMMAND;
  // The quotes of the command line are gone: a word that begins with "/" is
  // an option, any other is taken as written in quotes.
  shell_commands::Arguments args;
  std::size_t names = 0;  // words that are no options (nor sort's output file)
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    args.push_back(CommandWord{word, word.empty() || word[0] != '/', word});
    names += args.back().quoted && !(i > 1 && std::string(argv[i - 1]) == "/o");
  }
  // Standard input is read only by a command that names no file to read.
  std::string input;
  if (names <= (command == "sort" ? 0u : 1u))
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  LineReader in = LineReader::from_memory(input);
  ErrorConsole console;
  StandardOutput out;
  const std::filesystem::path here = std::filesystem::current_path();
  const shell_commands::CommandContext context{here, console, out, &in};
  if (command == "find") shell_commands::run_find(context, args);
  if (command == "findstr") shell_commands::run_findstr(context, args);
  if (command == "sort") shell_commands::run_sort(context, args);
  return 0;
}

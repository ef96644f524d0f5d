#include "platform/shell_emulator.h"

#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/shell_commands.h"
#include "platform/shell_names.h"
#include "text/text.h"

namespace kestram {
namespace fs = std::filesystem;
using shell_commands::CommandContext;
using shell_commands::OutputSink;

namespace {

// "for" inside "for" multiplies the work; deeper nesting than this is refused.
constexpr int kMaxForNesting = 4;

// The command's name in lower case; "find.exe" names "find".
std::string command_name(const CommandWord& word) {
  std::string name = ascii_lower(word.text);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
  return name;
}

// Replaces every `variable` in the text by `value`; the value itself is never
// searched again.
std::string substitute(std::string_view text, std::string_view variable, std::string_view value) {
  std::string result;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(variable, from)) != std::string_view::npos; from = at + variable.size()) {
    result.append(text.substr(from, at - from));
    result.append(value);
  }
  result.append(text.substr(from));
  return result;
}

// The files one stage reads from and writes to, as its redirections say.
struct StageFiles {
  std::optional<LineReader> input;
  std::unique_ptr<OutputSink> output;
  shell_commands::FileSink* file_output = nullptr;  // output, when it is a file
  std::string output_name;
};

// The message for an output file that cannot be written, naming it as the
// line wrote it: the same form the run uses for its own outputs.
std::string cannot_write(std::string_view written, std::string_view reason) {
  return "cannot write " + std::string(written) + ": " + std::string(reason);
}

// Opens the stage's redirections in the order written: every ">" target is
// created or emptied, every ">>" target created if missing, and the last
// output wins. False, after the interpreter's message, when one cannot be
// opened; then nothing of the line runs.
bool open_redirections(const fs::path& working_directory, Console& console, const CommandStage& stage,
                       StageFiles& files) {
  auto refuse = [&](std::string_view message) {
    console.write(message);
    console.write(std::string_view("\r\n", 2));
    return false;
  };
  for (const Redirection& redirection : stage.redirections) {
    const std::string& written = redirection.target.text;
    if (redirection.kind != Redirection::Kind::kRead && ascii_lower(written) == "nul") {
      files.output = std::make_unique<shell_commands::NullSink>();
      files.file_output = nullptr;
      continue;
    }
    const ResolvedName resolved = resolve_name(working_directory, written);
    if (!resolved.valid) return refuse(shell_commands::kInvalidName);
    std::error_code ec;
    if (redirection.kind == Redirection::Kind::kRead) {
      if (!resolved.exists || !shell_commands::is_readable_file(resolved.path))
        return refuse(shell_commands::kFileNotFound);
      files.input.reset();
      files.input.emplace(resolved.path.string());
      continue;
    }
    // Writing into a pipe or a device could block forever; only plain files
    // are written.
    if (resolved.exists && !fs::is_regular_file(resolved.path, ec))
      return refuse(cannot_write(written, fs::is_directory(resolved.path, ec) ? "Is a directory" : "not a plain file"));
    auto file = std::make_unique<shell_commands::FileSink>(
        resolved.path, redirection.kind == Redirection::Kind::kAppend);
    if (!file->is_open()) return refuse(cannot_write(written, file->error()));
    files.file_output = file.get();
    files.output = std::move(file);
    files.output_name = written;
  }
  return true;
}

}  // namespace

ShellEmulator::ShellEmulator(fs::path working_directory, Console& console, Launcher& launcher)
    : working_directory_(std::move(working_directory)), console_(console), launcher_(launcher) {}

void ShellEmulator::run(std::string_view command_line) {
  const ParsedCommandLine parsed = parse_command_line(command_line);
  if (!parsed.ok()) {
    console_.write(parsed.error);
    console_.write("\r\n");
    return;
  }
  // Like the interpreter, every redirection is in place before any command
  // of the line runs: "dir > list.txt" lists list.txt, already empty.
  const std::size_t count = parsed.stages.size();
  std::vector<StageFiles> files(count);
  for (std::size_t i = 0; i < count; ++i)
    if (!open_redirections(working_directory_, console_, parsed.stages[i], files[i])) return;

  shell_commands::ConsoleSink console_sink(console_);
  std::string piped;  // what the previous stage wrote into the pipe
  for (std::size_t i = 0; i < count; ++i) {
    std::string captured;
    shell_commands::StringSink pipe_sink(captured);
    OutputSink& out = files[i].output ? *files[i].output
                      : i + 1 < count ? static_cast<OutputSink&>(pipe_sink)
                                      : static_cast<OutputSink&>(console_sink);
    LineReader from_pipe = LineReader::from_memory(piped);
    LineReader* in = files[i].input ? &*files[i].input : i > 0 ? &from_pipe : nullptr;
    const CommandContext context{working_directory_, console_, out, in};
    execute(parsed.stages[i].words, context, 0);
    piped = std::move(captured);
    files[i].input.reset();
    if (files[i].file_output != nullptr && !files[i].file_output->close())
      context.error(cannot_write(files[i].output_name, files[i].file_output->error()));
  }
}

void ShellEmulator::execute(const std::vector<CommandWord>& words, const CommandContext& context, int for_depth) {
  // "cmd /c rest" runs the rest; options before "/c" are passed over. An
  // interpreter of its own, waiting for typed commands, is never started.
  std::size_t first = 0;
  while (first < words.size() && command_name(words[first]) == "cmd") {
    std::size_t i = first + 1;
    while (i < words.size() && shell_commands::is_option(words[i]) && shell_commands::option_name(words[i]) != "c" &&
           shell_commands::option_name(words[i]) != "k")
      ++i;
    if (i >= words.size()) return;
    first = i + 1;
  }
  if (first >= words.size()) return;
  const std::string name = command_name(words[first]);
  const std::vector<CommandWord> args(words.begin() + static_cast<std::ptrdiff_t>(first) + 1, words.end());
  if (name == "dir") shell_commands::run_dir(context, args);
  else if (name == "del" || name == "erase") shell_commands::run_del(context, args);
  else if (name == "copy") shell_commands::run_copy(context, args);
  else if (name == "md" || name == "mkdir") shell_commands::run_md(context, args);
  else if (name == "find") shell_commands::run_find(context, args);
  else if (name == "findstr") shell_commands::run_findstr(context, args);
  else if (name == "sort") shell_commands::run_sort(context, args);
  else if (name == "for") run_for(args, context, for_depth);
  else if (name == "start") run_start(args, context);
  else {
    context.error("'" + words[first].text + "' is not recognized as an internal or external command,");
    context.error("operable program or batch file.");
  }
}

// for %i in (set) do command: the set's words are names or patterns; each
// pattern gives the matching files (never directories) in listing order, with
// the pattern's directory part in front. The value replaces %i inside the
// already separated words of the command, so a name with blanks or operators
// stays one word.
void ShellEmulator::run_for(const std::vector<CommandWord>& args, const CommandContext& context, int for_depth) {
  ForCommand command;
  if (for_depth >= kMaxForNesting || !parse_for(args, command)) {
    context.error(kSyntaxError);
    return;
  }
  std::vector<std::string> values;
  for (const std::string& item : command.set_items) {
    if (!has_wildcard(item)) {
      values.emplace_back(item);
      continue;
    }
    const Listing listing = list_matching(working_directory_, item);
    for (const DirectoryEntry& entry : listing.entries)
      if (!entry.is_directory) values.push_back(listing.prefix_as_written + entry.name);
  }
  for (const std::string& value : values) {
    std::vector<CommandWord> words = command.body;
    for (CommandWord& word : words) {
      word.text = substitute(word.text, command.variable, value);
      word.raw = substitute(word.raw, command.variable, value);
    }
    execute(words, context, for_depth + 1);
  }
}

// start ["title"] [/D dir] [title] program: starts the program in its
// directory and returns at once. A quoted first word counts as the window
// title only when a program name follows it.
void ShellEmulator::run_start(const std::vector<CommandWord>& args, const CommandContext& context) {
  std::string dir_written;
  std::size_t i = (args.size() >= 2 && args[0].quoted) ? 1 : 0;
  for (; i < args.size() && shell_commands::is_option(args[i]); ++i) {
    const std::string option = shell_commands::option_name(args[i]);
    if (option == "d" && i + 1 < args.size()) {
      dir_written = args[++i].text;
    } else if (option.size() > 1 && option[0] == 'd') {
      dir_written = args[i].text.substr(2);
    } else if (option != "b" && option != "min" && option != "max" && option != "i") {
      context.error("The system cannot accept the START command parameter " + args[i].text + ".");
      return;
    }
  }
  if (args.size() - i >= 2 && args[i].quoted) ++i;
  if (args.size() - i != 1) {
    context.error(kSyntaxError);
    return;
  }
  const std::string& program = args[i].text;
  std::error_code ec;
  const ResolvedName dir = dir_written.empty() ? ResolvedName{working_directory_, true, true, false}
                                               : resolve_name(working_directory_, dir_written);
  if (!dir.valid || !dir.exists || !fs::is_directory(dir.path, ec)) {
    context.error(shell_commands::kPathNotFound);
    return;
  }
  const ResolvedName resolved = resolve_name(dir.path, program);
  if (!resolved.valid || !resolved.exists || !shell_commands::is_readable_file(resolved.path)) {
    context.error("The system cannot find the file " + program + ".");
    return;
  }
  const std::string relative = resolved.path.lexically_relative(dir.path).string();
  if (relative.empty() || !launcher_.start_detached(dir.path, relative))
    context.error("The program " + program + " could not be started.");
}

}  // namespace kestram

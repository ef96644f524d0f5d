// The commands of the emulated command interpreter, one function each. They
// are given their arguments (the words after the command name), write their
// output to the stage's output and every error message to the console, and
// never throw: a failed command has printed why and done nothing harmful.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/console.h"
#include "text/lines.h"

namespace kestram::shell_commands {

// Where a command's standard output goes: the console, a file, the next
// stage of a pipe, or nowhere.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void write(std::string_view text) = 0;
  void write_line(std::string_view text) {
    write(text);
    write(std::string_view("\r\n", 2));
  }
};

class StringSink : public OutputSink {
 public:
  explicit StringSink(std::string& target) : target_(target) {}
  void write(std::string_view text) override { target_.append(text); }

 private:
  std::string& target_;
};

class ConsoleSink : public OutputSink {
 public:
  explicit ConsoleSink(Console& console) : console_(console) {}
  void write(std::string_view text) override { console_.write(text); }

 private:
  Console& console_;
};

class NullSink : public OutputSink {
 public:
  void write(std::string_view) override {}
};

// A file opened for writing when the sink is made: created or emptied, or
// appended to. A failure is kept and shows in ok(); error() tells the reason
// of the first one.
class FileSink : public OutputSink {
 public:
  FileSink(const std::filesystem::path& path, bool append);
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  bool is_open() const { return file_ != nullptr; }
  void write(std::string_view text) override;
  bool close();  // false when anything failed; later calls do nothing
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
  void keep_failure();

  std::FILE* file_ = nullptr;
  bool ok_ = true;
  std::string error_;
};

struct CommandContext {
  const std::filesystem::path& working_directory;
  Console& console;
  OutputSink& out;
  LineReader* in;  // standard input; nullptr when the stage has none
  // Prints one message line to the console, where error messages go.
  void error(std::string_view message) const;
};

using Arguments = std::vector<CommandWord>;

// An option is an unquoted word that begins with '/'.
bool is_option(const CommandWord& word);
// The option in lower case, without its '/'.
std::string option_name(const CommandWord& word);
// A written name as messages show it: the working directory joined with it.
std::string display_path(const CommandContext& context, std::string_view written);
// Whether the path leads (through links) to a regular file: only those are
// read, so that a pipe or a device named like a file can never block a command.
bool is_readable_file(const std::filesystem::path& path);

inline constexpr std::string_view kInvalidName =
    "The filename, directory name, or volume label syntax is incorrect.";
inline constexpr std::string_view kFileNotFound = "The system cannot find the file specified.";
inline constexpr std::string_view kPathNotFound = "The system cannot find the path specified.";
inline constexpr std::string_view kAccessDenied = "Access is denied.";

// Copies the file `from` onto `to`; false, with the message to print in
// `message`, when it could not. A failure leaves the old target as it was.
bool copy_file(const std::filesystem::path& from, const std::filesystem::path& to, std::string& message);

void run_dir(const CommandContext& context, const Arguments& args);
void run_del(const CommandContext& context, const Arguments& args);
void run_copy(const CommandContext& context, const Arguments& args);
void run_md(const CommandContext& context, const Arguments& args);
void run_find(const CommandContext& context, const Arguments& args);
void run_findstr(const CommandContext& context, const Arguments& args);
void run_sort(const CommandContext& context, const Arguments& args);

}  // namespace kestram::shell_commands

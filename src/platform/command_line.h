// Parsing of a command-interpreter line into piped stages, their words and
// their redirections. Parsing runs nothing and touches no file.
//
// Words are separated by blanks and tabs. Double quotes group: inside them
// every byte is literal (blanks, | < > &, ^, %), a doubled quote "" stands
// for one literal quote, and the enclosing quotes are not part of the word. Outside quotes, ^ takes the next byte literally.
// Unquoted ">" (create or empty the file), ">>" (append) and "<" (read) take
// the next word as their file; "|" starts the next stage, which reads what the
// previous one wrote. Unquoted "&" is refused: a line runs one pipeline only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestram {

struct CommandWord {
  std::string text;  // the word without its quotes and carets
  bool quoted = false;  // some part of it stood in double quotes
  std::string raw;   // the word as written in the line
};

struct Redirection {
  enum class Kind { kRead, kTruncate, kAppend };
  Kind kind = Kind::kTruncate;
  CommandWord target;
};

struct CommandStage {
  std::vector<CommandWord> words;           // the command and its arguments
  std::vector<Redirection> redirections;    // in the order written
};

struct ParsedCommandLine {
  std::vector<CommandStage> stages;  // empty for a blank line
  std::string error;                 // the interpreter's message; empty when the line is sound
  bool ok() const { return error.empty(); }
};

inline constexpr std::string_view kSyntaxError = "The syntax of the command is incorrect.";

ParsedCommandLine parse_command_line(std::string_view line);

// "for %i in (set) do command", from the words after "for".
struct ForCommand {
  std::string variable;                // "%i" or "%%i", as written
  std::vector<std::string> set_items;  // names or patterns, not yet expanded
  std::vector<CommandWord> body;       // the command, with the variable unreplaced
};

// Splits the words after "for" into their parts; false (kSyntaxError) when
// they do not have that shape. The set runs from the word that opens with "("
// to the first word that closes with ")".
bool parse_for(const std::vector<CommandWord>& args, ForCommand& command);

}  // namespace kestram

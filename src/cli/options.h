// The command line of a conversion without the dialogue: options that mirror
// the dialogue's answers, then the documents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestram {

struct Options {
  std::vector<std::string> files;
  std::int64_t indent_increment = 2;
  bool toc = false;
  std::string org_unit_code;
  bool start_given = false;
  std::string start_chapter;
  bool extra_lines_given = false;
  std::int64_t extra_lines = 0;
  std::string output_dir;  // "" writes beside each document
  bool index = false;
  std::string index_dir;   // "" is the folder lexpage beside the page
  bool verbose = false;
};

struct ParsedOptions {
  enum class Kind { kConvert, kHelp, kVersion, kUsageError } kind = Kind::kConvert;
  Options options;
  std::string error;  // for kUsageError: one line naming the argument, no line end
};

// Reads the arguments after the program's name. --help, -h or /? anywhere
// asks for the usage text, --version for the version line (help first);
// otherwise the first usage error found, or the options with at least one
// FILE. A value is taken from the next argument or after "=" (--indent=4);
// "--" ends the options.
ParsedOptions parse_options(const std::vector<std::string>& args);

// The usage text, lines ended by "\n".
std::string_view usage_text();

// The text with every control byte (a line end, a tab) turned into "?", so
// that a name or value shown in a message keeps it on one line.
std::string one_line(std::string text);

// The hint that ends every usage error.
constexpr std::string_view kUsageHint = " (see kestram --help)";

}  // namespace kestram

#include "cli/options.h"

#include <string>

#include "run/dialogue.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kUsage =
    "Usage: kestram [OPTIONS] FILE...\n"
    "       kestram            (without arguments: the dialogue)\n"
    "\n"
    "Converts each FILE as the dialogue does with the same answers, and writes beside\n"
    "it (or in --output-dir) the same files with the same bytes: BASE_chapters.txt,\n"
    "BASE_indent.txt, BASE_indent.htm, BASE_com_ndx.txt and, when the page has a table,\n"
    "BASE_table.txt, where BASE is FILE's name up to \".txt\". Each output is written\n"
    "under a temporary name and renamed into place once every output of FILE is\n"
    "complete; a failed or interrupted conversion leaves the old outputs as they were.\n"
    "\n"
    "  --indent N         blanks of indentation per chapter level (default 2);\n"
    "                     0 adds identification lines instead (supplementation)\n"
    "  --toc              give the page a table of contents\n"
    "  --unit CODE        organisational-unit code added to every chapter title\n"
    "  --start CHAPTER    with --indent 0 (and needed there): the first chapter that\n"
    "                     gets an identification line, such as 2. or 2.1\n"
    "  --extra-lines N    with --indent 0: empty lines under each identification line\n"
    "                     (default 0)\n"
    "  --output-dir DIR   write the outputs in DIR, an existing directory\n"
    "  --index            hand each page to the indexing program beside kestram, in\n"
    "                     the folder lexpage beside the page, and wait for it\n"
    "  --index-dir DIR    the same in DIR instead of lexpage\n"
    "  --verbose          print each document's chapter list\n"
    "  -h, --help, /?     print this text\n"
    "  --version          print the name and version\n"
    "\n"
    "A value may also follow an option after \"=\" (--indent=4); \"--\" ends the options.\n"
    "N is a whole number in decimal digits, with an optional sign. A fraction, an\n"
    "exponent, a &H, &O or &B number, a number beyond 64 bits or one followed by other\n"
    "text, which the dialogue would round, convert or cut, is refused. CODE and CHAPTER\n"
    "are taken as written; one the dialogue would cut (leading blanks or tabs, a\n"
    "comma, a leading double quote, a line end, more than 4096 bytes) is refused.\n"
    "\n"
    "Prints one line per converted FILE on standard output, and one line per FILE that\n"
    "could not be converted on standard error; the other files are still converted.\n"
    "Exit status: 0 when every FILE was converted, 1 when any was not, 2 for a usage\n"
    "error (nothing is converted then).\n";

// The longest answer the dialogue reads from a typed line.
constexpr std::size_t kAnswerBytes = 4096;

// The whole number `text` writes in plain decimal digits, read with the
// dialogue's own function; false when that reading would change what was
// written (a fraction rounded, an exponent, a base prefix, trailing text,
// a value beyond 64 bits).
bool read_whole_number(const std::string& text, std::int64_t (*dialogue_reading)(std::string_view),
                       std::int64_t& value) {
  const bool signed_text = !text.empty() && (text[0] == '+' || text[0] == '-');
  std::size_t first = signed_text ? 1 : 0;
  if (first == text.size()) return false;
  for (std::size_t i = first; i < text.size(); ++i)
    if (!is_digit(text[i])) return false;
  value = dialogue_reading(text);
  // Written back, the value must give the same digits, leading zeros and a
  // plus sign aside: a value that saturated does not.
  while (first + 1 < text.size() && text[first] == '0') ++first;
  std::string digits = text.substr(first);
  if (text[0] == '-' && digits != "0") digits.insert(0, "-");
  return std::to_string(value) == digits;
}

// Whether the dialogue's answer field keeps the text exactly as written.
bool reads_as_typed(const std::string& text) {
  return text.find_first_of("\r\n") == std::string::npos && first_answer_field(text, kAnswerBytes, false) == text;
}

// A value as an error line shows it: in quotes, on that one line, and short.
std::string shown(const std::string& value) {
  constexpr std::size_t kShownBytes = 40;
  return "\"" + one_line(value.substr(0, kShownBytes)) + (value.size() > kShownBytes ? "...\"" : "\"");
}

ParsedOptions usage_error(std::string message) {
  ParsedOptions parsed;
  parsed.kind = ParsedOptions::Kind::kUsageError;
  parsed.error = "kestram: " + std::move(message) + std::string(kUsageHint);
  return parsed;
}

bool is_help(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "/?"; }

}  // namespace

std::string_view usage_text() { return kUsage; }

std::string one_line(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  return text;
}

ParsedOptions parse_options(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  bool options_ended = false;
  for (const std::string& arg : args) {
    if (arg == "--") options_ended = true;
    if (options_ended) continue;
    if (is_help(arg)) {
      parsed.kind = ParsedOptions::Kind::kHelp;
      return parsed;
    }
    if (arg == "--version") parsed.kind = ParsedOptions::Kind::kVersion;
  }
  if (parsed.kind == ParsedOptions::Kind::kVersion) return parsed;

  Options& o = parsed.options;
  options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.empty() || arg[0] != '-') {
      o.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    // The value after "=", or the next argument.
    std::string value;
    auto take_value = [&]() {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
        return true;
      }
      if (i + 1 >= args.size()) return false;
      value = args[++i];
      return true;
    };
    const bool wants_value = name == "--indent" || name == "--unit" || name == "--start" ||
                             name == "--extra-lines" || name == "--output-dir" || name == "--index-dir";
    const bool is_flag = name == "--toc" || name == "--index" || name == "--verbose";
    if (!wants_value && !is_flag) return usage_error("unknown option " + shown(name));
    if (is_flag && equals != std::string::npos) return usage_error(name + " takes no value");
    if (wants_value && !take_value()) return usage_error(name + " needs a value");

    if (name == "--indent") {
      if (!read_whole_number(value, parse_leading_decimal, o.indent_increment))
        return usage_error("--indent wants a whole number in decimal digits, not " + shown(value));
    } else if (name == "--extra-lines") {
      if (!read_whole_number(value, parse_number, o.extra_lines))
        return usage_error("--extra-lines wants a whole number in decimal digits, not " + shown(value));
      o.extra_lines_given = true;
    } else if (name == "--unit" || name == "--start") {
      if (!reads_as_typed(value))
        return usage_error(name + " holds text the dialogue would cut: " + shown(value));
      (name == "--unit" ? o.org_unit_code : o.start_chapter) = value;
      o.start_given = o.start_given || name == "--start";
    } else if (name == "--output-dir" || name == "--index-dir") {
      if (value.empty()) return usage_error(name + " needs a directory");
      (name == "--output-dir" ? o.output_dir : o.index_dir) = value;
      o.index = o.index || name == "--index-dir";
    } else if (name == "--toc") {
      o.toc = true;
    } else if (name == "--index") {
      o.index = true;
    } else {
      o.verbose = true;
    }
  }

  if (o.files.empty()) return usage_error("no FILE given");
  const bool supplementing = o.indent_increment == 0;
  if (supplementing && !o.start_given) return usage_error("--indent 0 needs --start CHAPTER");
  if (!supplementing && (o.start_given || o.extra_lines_given))
    return usage_error(std::string(o.start_given ? "--start" : "--extra-lines") + " needs --indent 0");
  if (supplementing && o.index) return usage_error("--index needs a page, and --indent 0 makes none");
  return parsed;
}

}  // namespace kestram

#include "cli/options.h"

#include <gtest/gtest.h>

namespace kestram {
namespace {

using Kind = ParsedOptions::Kind;

// Each row: the arguments, what they ask for, and the usage error's start or
// a summary of the options taken.
TEST(Options, ArgumentsAndUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    Kind kind;
    const char* expected;  // the error's start, or "indent/toc/unit/start/extra files"
  };
  auto summary = [](const Options& o) {
    std::string files;
    for (const std::string& f : o.files) files += "[" + f + "]";
    return std::to_string(o.indent_increment) + "/" + (o.toc ? "toc" : "-") + "/" + o.org_unit_code + "/" +
           o.start_chapter + "/" + std::to_string(o.extra_lines) + " " + files;
  };
  for (const Case& c : std::vector<Case>{
           {{"a.txt"}, Kind::kConvert, "2/-///0 [a.txt]"},
           {{"--toc", "--unit", "X", "a b.txt", "c.txt"}, Kind::kConvert, "2/toc/X//0 [a b.txt][c.txt]"},
           {{"--indent=007", "--unit=", "a.txt"}, Kind::kConvert, "7/-///0 [a.txt]"},
           {{"--indent", "-3", "a.txt"}, Kind::kConvert, "-3/-///0 [a.txt]"},
           {{"--indent", "+0", "--start", "2.1", "--extra-lines", "3", "a.txt"}, Kind::kConvert,
            "0/-//2.1/3 [a.txt]"},
           {{"--", "--toc", "-x.txt"}, Kind::kConvert, "2/-///0 [--toc][-x.txt]"},
           {{"a.txt", "--bogus", "--help"}, Kind::kHelp, ""},
           {{"/?"}, Kind::kHelp, ""},
           {{"-h", "--version"}, Kind::kHelp, ""},
           {{"--version", "a.txt"}, Kind::kVersion, ""},
           {{"--", "--help"}, Kind::kConvert, "2/-///0 [--help]"},
           {{}, Kind::kUsageError, "kestram: no FILE given"},
           {{"--toc"}, Kind::kUsageError, "kestram: no FILE given"},
           {{"--bogus", "a.txt"}, Kind::kUsageError, "kestram: unknown option \"--bogus\""},
           {{"-", "a.txt"}, Kind::kUsageError, "kestram: unknown option \"-\""},
           {{"--toc=yes", "a.txt"}, Kind::kUsageError, "kestram: --toc takes no value"},
           {{"a.txt", "--indent"}, Kind::kUsageError, "kestram: --indent needs a value"},
           // What the dialogue would round, convert, saturate or cut.
           {{"--indent", "2.5", "a.txt"}, Kind::kUsageError, "kestram: --indent wants a whole number"},
           {{"--indent", "1e1", "a.txt"}, Kind::kUsageError, "kestram: --indent wants a whole number"},
           {{"--indent", "&H10", "a.txt"}, Kind::kUsageError, "kestram: --indent wants a whole number"},
           {{"--indent", "5abc", "a.txt"}, Kind::kUsageError, "kestram: --indent wants a whole number"},
           {{"--indent", "4\r\n", "a.txt"}, Kind::kUsageError, "kestram: --indent wants a whole number"},
           {{"--indent", "", "a.txt"}, Kind::kUsageError, "kestram: --indent wants a whole number"},
           {{"--indent", "99999999999999999999", "a.txt"}, Kind::kUsageError, "kestram: --indent wants"},
           {{"--indent", "0", "--start", "1.", "--extra-lines", "x", "a.txt"}, Kind::kUsageError,
            "kestram: --extra-lines wants a whole number"},
           {{"--unit", "a,b", "a.txt"}, Kind::kUsageError, "kestram: --unit holds text the dialogue would cut"},
           {{"--unit", " HR", "a.txt"}, Kind::kUsageError, "kestram: --unit holds text"},
           {{"--unit", "\"HR\"", "a.txt"}, Kind::kUsageError, "kestram: --unit holds text"},
           {{"--unit", "H\nR", "a.txt"}, Kind::kUsageError, "kestram: --unit holds text"},
           {{"--unit", std::string(4097, 'u'), "a.txt"}, Kind::kUsageError, "kestram: --unit holds text"},
           {{"--output-dir=", "a.txt"}, Kind::kUsageError, "kestram: --output-dir needs a directory"},
           // The supplementation's answers go with indentation 0 only.
           {{"--indent", "0", "a.txt"}, Kind::kUsageError, "kestram: --indent 0 needs --start CHAPTER"},
           {{"--start", "1.", "a.txt"}, Kind::kUsageError, "kestram: --start needs --indent 0"},
           {{"--extra-lines", "1", "a.txt"}, Kind::kUsageError, "kestram: --extra-lines needs --indent 0"},
           {{"--indent", "0", "--start", "1.", "--index-dir", "x", "a.txt"}, Kind::kUsageError,
            "kestram: --index needs a page"},
       }) {
    std::string shown;
    for (const std::string& a : c.args) shown += "[" + a.substr(0, 20) + "]";
    const ParsedOptions parsed = parse_options(c.args);
    ASSERT_EQ(c.kind, parsed.kind) << shown << " " << parsed.error;
    if (c.kind == Kind::kUsageError) {
      EXPECT_EQ(0u, parsed.error.find(c.expected)) << shown << " " << parsed.error;
      EXPECT_NE(std::string::npos, parsed.error.find(kUsageHint)) << shown;
      EXPECT_EQ(std::string::npos, parsed.error.find_first_of("\r\n")) << shown;
    } else if (c.kind == Kind::kConvert) {
      EXPECT_EQ(c.expected, summary(parsed.options)) << shown;
    }
  }
}

}  // namespace
}  // namespace kestram

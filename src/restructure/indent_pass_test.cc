#include "restructure/indent_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/chapter_rows.h"
#include "text/lines.h"

namespace kestram {
namespace {

using namespace std::string_literals;

using testing::indent_with;
using testing::table_of_document;

std::string indented(std::string_view text, std::int64_t increment, std::string_view org = "") {
  return indent_with(table_of_document(text, increment), text, org);
}

TEST(IndentPass, WorkedExampleByteForByte) {
  const std::string input =
      "Report on things\n1. Introduction\nSome text.\n1.1 Scope\n1.1.1 Details\n1.3 Wrong number\n"
      "3. Results\n3.1.1 Deep\n2023.05.12 Meeting\n4.2 Summary\nlook_at: 3.\nlook_at: 4.2\n";
  const std::string expected =
      "Report on things\r\n  1. Introduction\r\n  Some text.\r\n    1.1 Scope\r\n      1.1.1 Details\r\n"
      "    1.2 Wrong number\r\n  2. Results\r\n    2.1 Deep\r\n    2023.05.12 Meeting\r\n    2.2 Summary\r\n"
      "    look_at: 2.\r\n    look_at: 2.2\r\n";
  EXPECT_EQ(expected, indented(input, 2));
  EXPECT_EQ("indented_indent.txt", indented_file_name("indented"));
}

TEST(IndentPass, LinesKeepTheirChaptersIndentation) {
  const std::string kLong(3'000'000, 'b');
  struct Case {
    const char* what;
    std::string input;
    std::int64_t increment;
    const char* org;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{
           {"four lines", "1. Intro\ntext\n1.1 Detail\nmore\n", 2, "",
            "  1. Intro\r\n  text\r\n    1.1 Detail\r\n    more\r\n"},
           {"before the first mark", "   Title  \n1. A\n", 2, "", "Title\r\n  1. A\r\n"},
           {"empty and blank lines", "1.1 X\n\n   \n", 2, "", "    1.1 X\r\n    \r\n    \r\n"},
           {"tabs stay after the indentation", "1. A\n  \tTabbed\t  \n", 2, "", "  1. A\r\n  \tTabbed\t\r\n"},
           {"blanks inside the title", "  1.   Many   blanks  \n", 3, "", "   1.   Many   blanks\r\n"},
           {"organisational unit", "2. Plan\n2.1 Budget\nbody\n", 2, "HR",
            "  2. Plan (HR)\r\n    2.1 Budget (HR)\r\n    body\r\n"},
           {"negative increment", "1. A\nx\n1.1 B\n", -2, "", "1. A\r\nx\r\n1.1 B\r\n"},
           {"increment 0", "1. A\nx\n1.1 B\n", 0, "", "1. A\r\nx\r\n1.1 B\r\n"},
           {"every line end gives CR LF", "1. A\r\nb\rc\nd", 1, "", " 1. A\r\n b\r\n c\r\n d\r\n"},
           {"no final line end", "1. A", 2, "", "  1. A\r\n"},
           {"bytes pass through", "1. T\xC3\xA9tel\0x\n\xFF\0\n"s, 2, "", "  1. T\xC3\xA9tel\0x\r\n  \xFF\0\r\n"s},
           {"empty chapter number", ". Alone\nbody\n1. A\n", 2, "HR", ". Alone\r\nbody\r\n  1. A (HR)\r\n"},
           {"later marks than the bound", "1. A\n2045. Proxies\n", 2, "", "  1. A\r\n  2045. Proxies\r\n"},
           {"long lines", "1.1 " + kLong + "\n   " + kLong + "   \n", 3, "U",
            "      1.1 " + kLong + " (U)\r\n      " + kLong + "\r\n"}}) {
    EXPECT_TRUE(c.expected == indented(c.input, c.increment, c.org)) << c.what;
  }
}

TEST(IndentPass, CrossReferencesNameRenumberedChapters) {
  const std::string chapters = "1. A\n3. B\n3.5 C\n";  // renumbered 1., 2., 2.1
  const std::string head = "  1. A\r\n  2. B\r\n    2.1 C\r\n";
  struct Case {
    const char* line;
    const char* written;  // after the indentation
  };
  for (const Case& c : std::initializer_list<Case>{
           {"look_at: 3.", "look_at: 2."},
           {"look_at: 3", "look_at: 2."},       // a point is appended
           {"look_at: 3.5", "look_at: 2.1"},
           {"look_at: 3.5.", "look_at: 2.1"},
           {"LOOK_AT: 3.5", "look_at: 2.1"},    // the keyword in any case
           {"  Look_At:   3.5  ", "look_at: 2.1"},
           {"look_at:\t3.5", "look_at: 2.1"},   // any separator character
           {"look_at:3.5", "look_at:3.5"},      // the separator skipped is the 3
           {"look_at: 9.9", "look_at: 9.9"},    // no such chapter
           {"look_at: 2.", "look_at: 2."},      // 2. is a renumbered number, not a written one
           {"look_at: 3.5 see there", "look_at: 3.5 see there"},
           {"look_at:", "look_at:"},
           {"look_at", "look_at"}}) {
    EXPECT_EQ(head + "    " + c.written + "\r\n", indented(chapters + c.line + "\n", 2)) << c.line;
  }
  // An empty reference names a chapter written as a point alone.
  EXPECT_EQ(". Alone\r\nlook_at: \r\n", indented(". Alone\nlook_at:\n", 2));
}

TEST(IndentPass, HeadingLineChangedSinceTheScan) {
  // The table says line 1 is a mark, but the file now holds a number alone.
  EXPECT_EQ("  1.\r\n  x\r\n", indent_with(table_of_document("1. A\n", 2), "1.\nx\n"));
}

struct RecordingHooks : IndentHooks {
  std::vector<std::string> calls;
  const std::string* output = nullptr;
  void at_heading(std::string_view label) override {
    calls.push_back("A " + std::string(label) + " after " + std::to_string(output->size()) + " bytes");
  }
  std::string after_heading(std::uint64_t line_number, std::string_view stripped, std::string_view label,
                            LineSink& out) override {
    calls.push_back("B " + std::to_string(line_number) + " [" + std::string(stripped) + "] " + std::string(label));
    out.write_line("hook");
    return line_number == 4 ? "stop here" : "";
  }
};

TEST(IndentPass, HooksActAtChapterMarkLinesOnlyAndMayEndTheText) {
  const std::string input = ". Alone\n1.2 Deep\nlook_at: 1.2\n  1.  Top  \ndropped\n2. Dropped\n";
  const ChapterTable table = table_of_document(input, 2);
  std::string bytes;
  StringSink out(bytes);
  RecordingHooks hooks;
  hooks.output = &bytes;
  Indenter indenter(table, "X", out, &hooks);
  LineReader reader = LineReader::from_memory(input);
  std::string_view line;
  while (reader.next(line)) indenter.write_line(line);
  // Row 1 has no chapter number and fires nothing; nothing is written or
  // fired after the refusal.
  EXPECT_EQ((std::vector<std::string>{"A 1. after 9 bytes", "B 2 [1.2 Deep] 1.", "A 1. after 45 bytes",
                                      "B 4 [1.  Top] 1."}),
            hooks.calls);
  EXPECT_EQ(". Alone\r\n  1. Deep (X)\r\nhook\r\n  look_at: 1.\r\n  1.  Top (X)\r\nhook\r\n", bytes);
  EXPECT_EQ("stop here", indenter.refusal());
}

TEST(IndentPass, IndentationWiderThanTheLimitGivesUpOnTheFile) {
  struct Case {
    std::int64_t increment;
    std::string written;  // everything before the first chapter that is too wide
    std::string error;
  };
  const std::string input = "Title\n1. A\nbody\n1.1 B\nbody\n";
  const auto blanks = [](std::size_t n) { return std::string(n, ' '); };
  for (const Case& c : std::vector<Case>{
           {5000,
            "Title\r\n" + blanks(5000) + "1. A\r\n" + blanks(5000) + "body\r\n" + blanks(10000) + "1.1 B\r\n" +
                blanks(10000) + "body\r\n",
            ""},
           // The level-1 chapter fits, the level-2 one does not.
           {5001, "Title\r\n" + blanks(5001) + "1. A\r\n" + blanks(5001) + "body\r\n",
            "indentation of 10002 blanks is wider than 10000"},
           {10001, "Title\r\n", "indentation of 10001 blanks is wider than 10000"},
           {INT64_MAX, "Title\r\n", "indentation of 9223372036854775807 blanks is wider than 10000"},
       }) {
    std::string refusal;
    const std::string bytes = indent_with(table_of_document(input, c.increment), input, "", &refusal);
    EXPECT_EQ(c.error, refusal) << c.increment;
    EXPECT_TRUE(c.written == bytes) << c.increment;
  }
}

}  // namespace
}  // namespace kestram

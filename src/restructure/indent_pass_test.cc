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
  void after_heading(std::uint64_t line_number, std::string_view stripped, std::string_view label,
                     LineSink& out) override {
    calls.push_back("B " + std::to_string(line_number) + " [" + std::string(stripped) + "] " + std::string(label));
    out.write_line("hook");
  }
};

TEST(IndentPass, HooksActAtChapterMarkLinesOnly) {
  const std::string input = ". Alone\n1.2 Deep\nlook_at: 1.2\n  1.  Top  \nbody\n";
  const ChapterTable table = table_of_document(input, 2);
  std::string bytes;
  StringSink out(bytes);
  RecordingHooks hooks;
  hooks.output = &bytes;
  Indenter indenter(table, "X", out, &hooks);
  LineReader reader = LineReader::from_memory(input);
  std::string_view line;
  while (reader.next(line)) indenter.write_line(line);
  // Row 1 has no chapter number and fires nothing.
  EXPECT_EQ((std::vector<std::string>{"A 1. after 9 bytes", "B 2 [1.2 Deep] 1.", "A 1. after 45 bytes",
                                      "B 4 [1.  Top] 1."}),
            hooks.calls);
  EXPECT_EQ(". Alone\r\n  1. Deep (X)\r\nhook\r\n  look_at: 1.\r\n  1.  Top (X)\r\nhook\r\n  body\r\n", bytes);
}

// The size known before the text is written is the size of the text
// written, whatever the lines hold: renumbered chapters, marks without a
// number, cross-references that name a chapter or none, unit codes, blanks
// and tabs at the ends, line ends of every kind, no final line end.
TEST(IndentPass, SizeKnownBeforehandIsTheSizeWritten) {
  const std::string documents[] = {
      "Title\n1. A\nbody\n1.1 B\nbody",
      ". Alone\n1.2 Deep\nlook_at: 1.2\n  1.  Top  \n\tbody\t\n3.1 Skip\n",
      "  look_at: 7.\n7. Seven\nLOOK_AT:  7  \nlook_at:7.\nlook_at: 2\n5. Five\nlook_at: 5\nlook_at: 5.\n",
      "1. A\r\n\r\n   \r\n1.1.1.1 Deep\rtext\r2. B\n0009. Zeros\n1999. Big\nlook_at: 0009.\n",
      "x\n2023.05.12 Meeting\n1..2 Odd\n1.1 . Dot\n",
  };
  for (const std::string& document : documents) {
    for (std::int64_t increment : {-3, 0, 1, 2, 7}) {
      for (const char* unit : {"", "HR"}) {
        const ChapterTable table = table_of_document(document, increment);
        EXPECT_EQ(indent_with(table, document, unit).size(), indented_text_size(table, unit))
            << document << " " << increment << " " << unit;
      }
    }
  }
}

// No bound on the indentation: a step of 5001 puts 10002 blanks before the
// level-2 lines, and a step of 10^15 gives a size that no disk holds.
TEST(IndentPass, WideIndentationIsWrittenWhole) {
  const std::string input = "Title\n1. A\nbody\n1.1 B\n";
  const std::string blanks_1(5001, ' ');
  const std::string blanks_2(10002, ' ');
  const ChapterTable table = table_of_document(input, 5001);
  const std::string expected = "Title\r\n" + blanks_1 + "1. A\r\n" + blanks_1 + "body\r\n" + blanks_2 + "1.1 B\r\n";
  EXPECT_TRUE(expected == indent_with(table, input));
  EXPECT_EQ(expected.size(), indented_text_size(table, ""));
  // Title 7 bytes, two level-1 lines of 10^15 + 6, one level-2 line of
  // 2 x 10^15 + 7.
  EXPECT_EQ(4'000'000'000'000'026u, indented_text_size(table_of_document(input, 1'000'000'000'000'000), ""));
  EXPECT_EQ(UINT64_MAX, indented_text_size(table_of_document(input, INT64_MAX), ""));
}

}  // namespace
}  // namespace kestram

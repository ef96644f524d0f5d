#include "restructure/indent_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "restructure/chapter_scan.h"
#include "restructure/renumber.h"
#include "support/chapter_rows.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

using namespace std::string_literals;

using testing::table_of_document;

std::string indented(std::string_view text, std::int64_t increment, std::string_view org = "",
                     IndentHooks* hooks = nullptr) {
  ChapterTable table = table_of_document(text, increment);
  LineReader input = LineReader::from_memory(text);
  std::string bytes;
  LineWriter out = LineWriter::to_memory(bytes);
  write_indented_text(input, table, org, out, hooks);
  out.close();
  return bytes;
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
           {"later marks than the bound", "1. A\n2045. Proxies\n", 2, "", "  1. A\r\n  2045. Proxies\r\n"}}) {
    EXPECT_EQ(c.expected, indented(c.input, c.increment, c.org)) << c.what;
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
  ChapterTable table = table_of_document("1. A\n", 2);
  LineReader input = LineReader::from_memory("1.\nx\n");
  std::string bytes;
  LineWriter out = LineWriter::to_memory(bytes);
  write_indented_text(input, table, "", out, nullptr);
  EXPECT_EQ("  1.\r\n  x\r\n", bytes);
}

struct RecordingHooks : IndentHooks {
  std::vector<std::string> calls;
  std::string* output = nullptr;
  void at_heading(std::string_view label) override {
    calls.push_back("A " + std::string(label) + " after " + std::to_string(output->size()) + " bytes");
  }
  void after_heading(std::uint64_t line_number, std::string_view stripped, std::string_view label,
                     LineWriter& out) override {
    calls.push_back("B " + std::to_string(line_number) + " [" + std::string(stripped) + "] " + std::string(label));
    out.write_line("hook");
  }
};

TEST(IndentPass, HooksActAtChapterMarkLinesOnly) {
  const std::string input = ". Alone\n1.2 Deep\nlook_at: 1.2\n  1.  Top  \n";
  ChapterTable table = table_of_document(input, 2);
  LineReader reader = LineReader::from_memory(input);
  std::string bytes;
  LineWriter out = LineWriter::to_memory(bytes);
  RecordingHooks hooks;
  hooks.output = &bytes;
  write_indented_text(reader, table, "X", out, &hooks);
  // Row 1 has no chapter number and fires nothing.
  EXPECT_EQ((std::vector<std::string>{"A 1. after 9 bytes", "B 2 [1.2 Deep] 1.", "A 1. after 45 bytes",
                                      "B 4 [1.  Top] 1."}),
            hooks.calls);
  EXPECT_EQ(". Alone\r\n  1. Deep (X)\r\nhook\r\n  look_at: 1.\r\n  1.  Top (X)\r\nhook\r\n", bytes);
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
    ChapterTable table = table_of_document(input, c.increment);
    LineReader reader = LineReader::from_memory(input);
    std::string bytes;
    LineWriter out = LineWriter::to_memory(bytes);
    write_indented_text(reader, table, "", out, nullptr);
    EXPECT_EQ(c.error.empty(), out.close()) << c.increment;
    EXPECT_EQ(c.error, out.error()) << c.increment;
    EXPECT_TRUE(c.written == bytes) << c.increment;
  }
}

TEST(IndentPass, VeryLongLinesFromFileToFile) {
  testing::TempDir dir;
  const std::string body(24u << 20, 'b');
  // Chapter-mark lines that fill much of the writer's buffer, or more than
  // all of it.
  const std::string title(600'000, 't');
  testing::write_file(dir.file("in.txt"),
                      "1.1 Start\n   " + body + "   \r\n2. End " + title + "\n3. Last " + body + "\n");
  LineReader scan_input(dir.file("in.txt"));
  ChapterTable table;
  scan_chapter_marks(scan_input, table);
  renumber_chapters(table, 3);
  LineReader input(dir.file("in.txt"));
  LineWriter out(dir.file("in_indent.txt"));
  write_indented_text(input, table, "U", out, nullptr);
  ASSERT_TRUE(out.close());
  // Compared as a whole only after the cheap checks, to keep a failure short.
  const std::string expected = "      1.1 Start (U)\r\n      " + body + "\r\n   2. End " + title + " (U)\r\n   3. Last " +
                               body + " (U)\r\n";
  const std::string written = testing::read_file(dir.file("in_indent.txt"));
  ASSERT_EQ(expected.size(), written.size());
  EXPECT_EQ(expected.substr(0, 40), written.substr(0, 40));
  EXPECT_EQ(expected.substr(expected.size() - 40), written.substr(written.size() - 40));
  EXPECT_TRUE(expected == written);
}

}  // namespace
}  // namespace kestram

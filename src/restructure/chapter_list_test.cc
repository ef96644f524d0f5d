#include "restructure/chapter_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "restructure/chapter_scan.h"
#include "restructure/renumber.h"
#include "support/chapter_rows.h"

namespace kestram {
namespace {

using Texts = std::vector<std::string>;

const char kWorkedExample[] =
    "Report on things\n1. Introduction\nSome text.\n1.1 Scope\n1.1.1 Details\n1.3 Wrong number\n"
    "3. Results\n3.1.1 Deep\n2023.05.12 Meeting\n4.2 Summary\n";

using testing::table_of_document;

// Level-1 marks of the given lengths ("0001." and so on).
ChapterTable table_of_mark_lengths(const std::vector<std::size_t>& lengths) {
  ChapterTable table;
  for (std::size_t i = 0; i < lengths.size(); ++i)
    table.add_row(std::string(lengths[i] - 2, '0') + "1.", i + 1);
  renumber_chapters(table, 2);
  return table;
}

// The console lines as print_line would print them: each call's text and
// its line end.
Texts console_lines(const ChapterTable& table, int width) {
  std::string printed;
  print_chapter_list(table, width, [&printed](std::string_view lines) {
    printed.append(lines);
    printed += "\r\n";
  });
  Texts lines;
  for (std::size_t from = 0; from < printed.size();) {
    const std::size_t end = printed.find("\r\n", from);
    lines.push_back(printed.substr(from, end - from));
    from = end + 2;
  }
  return lines;
}

std::string chapters_file(const ChapterTable& table) {
  std::string bytes;
  StringSink out(bytes);
  write_chapters_file(table, out);
  return bytes;
}

TEST(ChapterList, BaseNameEndsBeforeTheFirstTxt) {
  struct Case {
    const char* input;
    const char* base;
  };
  for (const Case& c : std::initializer_list<Case>{{"Report.txt", "Report"},
                                                  {"Notes.TXT", "Notes"},
                                                  {"a.Txt.txt", "a"},
                                                  {"my report.txt", "my report"},
                                                  {"x.txtfile.txt", "x"},
                                                  {"name.tx", "name.tx"},
                                                  {".txt", ""},
                                                  {"", ""}})
    EXPECT_EQ(c.base, base_name_of(c.input)) << c.input;
  EXPECT_EQ("Notes_chapters.txt", chapters_file_name(base_name_of("Notes.TXT")));
}

TEST(ChapterList, WorkedExampleChaptersFileByteForByte) {
  const std::string expected =
      "1.  2  2  1.  1    \r\n  \r\n"
      "1.1.  4  4  1.1  1  1    \r\n  \r\n"
      "1.1.1.  5  6  1.1.1  1  1  1    \r\n  \r\n"
      "1.3.  6  4  1.2  1  2    \r\n  \r\n"
      "3.  7  2  2.  2    \r\n  \r\n"
      "3.1.1.  8  4  2.1  2  1    \r\n  \r\n"
      "4.2.  10  4  2.2  2  2    \r\n  \r\n";
  EXPECT_EQ(expected, chapters_file(table_of_document(kWorkedExample, 2)));
}

TEST(ChapterList, EmptyCellsLeaveNoGap) {
  // A point alone has no chapter number and no component; a gap inside the
  // first mark is no column either. Widths are written even when 0 or less.
  EXPECT_EQ(".  1  0    \r\n  \r\n1..2.  2  0  1.  1    \r\n  \r\n",
            chapters_file(table_of_document(". Alone\n1..2 Gap\n", 0)));
  EXPECT_EQ("1..2.  1  0  1.  1  2    \r\n  \r\n", chapters_file(table_of_document("1..2 Gap\n", 0)));
  EXPECT_EQ("2.  1  -3  2.  2    \r\n  \r\n", chapters_file(table_of_document("2. Two\n", -3)));
  EXPECT_EQ("", chapters_file(table_of_document("2023.1 Late\n", 2)));
}

TEST(ChapterList, WorkedExampleConsoleLines) {
  EXPECT_EQ((Texts{"====================", "1.            1.", "1.1.          1.1", "1.1.1.        1.1.1",
                   "1.3.          1.2", "3.            2.", "3.1.1.        2.1", "4.2.          2.2"}),
            console_lines(table_of_document(kWorkedExample, 2), 80));
  EXPECT_EQ((Texts{"===================="}), console_lines(ChapterTable(), 80));
}

TEST(ChapterList, PrintZonesEveryFourteenColumns) {
  struct Case {
    std::size_t mark_length;
    int width;
    std::size_t blanks;  // 0: the chapter number goes on a line of its own
  };
  for (const Case& c : std::initializer_list<Case>{
           {2, 80, 12},  {13, 80, 1},  {14, 80, 14}, {15, 80, 13}, {27, 80, 1},  {28, 80, 14},
           {55, 80, 1},   // zone 57
           {56, 80, 0},   // zone 71 lies in the last 14 columns
           {42, 70, 0},   // zone 57 of 70 columns
           {42, 71, 14},  // zone 57 of 71 columns is still free
           {2, 20, 0},    // every zone of a narrow console is within its end
           {80, 80, 14},  // the mark fills its line; the next one starts at column 1
           {85, 80, 9},   // and the zones count from where it ends
           {136, 80, 0},  // 56 characters on its second line: zone 71
           {2, 0, 12},    // unknown width taken as 80
           {56, -1, 0}}) {
    ChapterTable table = table_of_mark_lengths({c.mark_length});
    const std::string mark(table.mark_number(1));
    const std::string chapter(table.chapter_number(1));
    Texts expected = {"===================="};
    if (c.blanks == 0) {
      expected.push_back(mark);
      expected.push_back(chapter);
    } else {
      expected.push_back(mark + std::string(c.blanks, ' ') + chapter);
    }
    EXPECT_EQ(expected, console_lines(table, c.width)) << c.mark_length << " in " << c.width;
  }
}

// Mark lines in any order and of any size: each row's own number.
TEST(ChapterList, EveryMarkLineAsItIs) {
  const std::vector<std::uint64_t> lines = {1,        2,         9,         10,           18,        27,
                                            99,       100,       100,       7,            8,         1000000,
                                            99999998, 99999999,  100000000, 100000003,    100000019, 12345678,
                                            12345679, UINT64_MAX, 3,        123456789012, 123456789013, 5};
  ChapterTable table;
  for (std::uint64_t line : lines) table.add_row("1.", line);
  renumber_chapters(table, 0);
  std::string expected;
  for (std::size_t row = 1; row <= lines.size(); ++row) {
    const std::string chapter = std::to_string(row);
    expected += "1.  " + std::to_string(lines[row - 1]) + "  0  " + chapter + ".  " + (row == 1 ? "1" : chapter) +
                "    \r\n  \r\n";
  }
  EXPECT_EQ(expected, chapters_file(table));
}

// Long lists and long marks go out in several blocks or in one grown block;
// every line and every byte of the chapters file stays as it would be alone.
TEST(ChapterList, BlocksKeepEveryLineWhole) {
  struct Case {
    std::size_t rows;
    std::size_t mark_digits;  // digits of every mark; 0 for "1." to "<rows>."
    std::size_t most_calls;   // a block per 64 KiB or so, not a call per line
  };
  for (const Case& c : std::initializer_list<Case>{{20000, 0, 10}, {3, 200000, 4}}) {
    ChapterTable table;
    for (std::size_t i = 1; i <= c.rows; ++i) {
      std::string mark = c.mark_digits == 0 ? std::to_string(i) : std::string(c.mark_digits - 1, '0') + "1";
      table.add_row(mark + ".", i);
    }
    renumber_chapters(table, 2);

    Texts expected_lines = {"===================="};
    std::string expected_file;
    for (std::size_t row = 1; row <= c.rows; ++row) {
      const std::string mark(table.mark_number(row));
      // The first row keeps its number as written, the others are counted.
      const std::string chapter(table.chapter_number(row));
      const std::string component(table.components(row));
      const std::size_t column = mark.size() % 80;
      expected_lines.push_back(mark + std::string(14 - column % 14, ' ') + chapter);
      expected_file += mark + "  " + std::to_string(row) + "  2  " + chapter + "  " + component + "    \r\n  \r\n";
    }
    std::size_t calls = 0;
    print_chapter_list(table, 80, [&calls](std::string_view) { ++calls; });
    EXPECT_EQ(expected_lines, console_lines(table, 80)) << c.rows;
    EXPECT_EQ(expected_file, chapters_file(table)) << c.rows;
    EXPECT_LE(calls, c.most_calls) << c.rows;
  }
}

}  // namespace
}  // namespace kestram

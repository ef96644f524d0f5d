#include "restructure/chapter_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "restructure/chapter_list.h"
#include "restructure/renumber.h"

namespace kestram {
namespace {

// Line numbers of any size read back, the cursor finds each row, and the
// chapters file writes them.
TEST(ChapterTable, LineNumbersOfAnySize) {
  const std::vector<std::uint64_t> lines = {1, 5, 0x7FFFFFFC, 0x7FFFFFFE, 0x80000000, 0x80000002,
                                            0xFFFFFFFF, 0x100000002, UINT64_MAX - 2, UINT64_MAX};
  ChapterTable table;
  for (std::uint64_t line : lines) table.add_row("1.", line);
  HeadingCursor cursor(table);
  for (std::size_t row = 1; row <= lines.size(); ++row) {
    EXPECT_EQ(lines[row - 1], table.mark_line(row)) << row;
    EXPECT_EQ(0u, cursor.row_for_line(lines[row - 1] - 1)) << row;
    EXPECT_EQ(row, cursor.row_for_line(lines[row - 1])) << row;
  }
  // The chapters file writes each as it is.
  renumber_chapters(table, 0);
  std::string expected;
  for (std::size_t row = 1; row <= lines.size(); ++row)
    expected += "1.  " + std::to_string(lines[row - 1]) + "  0  " + std::to_string(row) + ".  " + std::to_string(row) +
                "    \r\n  \r\n";
  std::string written;
  StringSink out(written);
  write_chapters_file(table, out);
  EXPECT_EQ(expected, written);
}

// The cursor finds, for line numbers that never decrease (each asked once or
// several times, or skipped), the first row of each line, rows sharing a line
// included, as a search from the first row does.
TEST(ChapterTable, CursorFindsTheFirstRowOfEveryLineAsked) {
  std::mt19937 random(9);
  for (int round = 0; round < 200; ++round) {
    ChapterTable table;
    std::uint64_t line = 0;
    const int rows = static_cast<int>(random() % 12);
    for (int row = 0; row < rows; ++row) {
      line += random() % 3;  // 0: a mark sharing the line before
      table.add_row("1.", line == 0 ? ++line : line);
    }
    auto first_row_of = [&table](std::uint64_t asked) -> std::size_t {
      for (std::size_t row = 1; row <= table.chapter_count(); ++row)
        if (table.mark_line(row) == asked) return row;
      return 0;
    };
    HeadingCursor cursor(table);
    for (std::uint64_t asked = 1; asked <= line + 2; asked += random() % 3) {
      const int times = 1 + static_cast<int>(random() % 2);
      for (int t = 0; t < times; ++t) ASSERT_EQ(first_row_of(asked), cursor.row_for_line(asked)) << round << " " << asked;
    }
  }
}

}  // namespace
}  // namespace kestram

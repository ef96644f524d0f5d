#include "restructure/chapter_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

namespace kestram {
namespace {

struct Texts {
  std::string mark;
  std::string components;
  std::string chapter;
};

Texts texts_of(const ChapterTable& table, std::size_t row) {
  return {std::string(table.mark_number(row)), std::string(table.components(row)),
          std::string(table.chapter_number(row))};
}

void expect_texts(const Texts& expected, const ChapterTable& table, std::size_t row, const char* what) {
  const Texts actual = texts_of(table, row);
  EXPECT_EQ(expected.mark, actual.mark) << what;
  EXPECT_EQ(expected.components, actual.components) << what;
  EXPECT_EQ(expected.chapter, actual.chapter) << what;
}

// Every sequence of changes reads back exactly what was set; a chapter
// number equal to the components, or components left as they were, too.
TEST(ChapterTable, ChangesReadBackExactly) {
  ChapterTable table;
  table.add_row("2.1", 7, "2.1 Data");
  expect_texts({"2.1", "2.1", ""}, table, 1, "as added");
  table.append_point_to_mark_number(1);
  EXPECT_EQ(3u, table.written_number_length(1));
  table.set_components(1, "2.1");
  table.set_chapter(1, "2.1", 2);
  expect_texts({"2.1.", "2.1", "2.1"}, table, 1, "renumbered as it was");
  table.set_components(1, "5");
  expect_texts({"2.1.", "5", "2.1"}, table, 1, "the chapter keeps its own text");
  table.set_chapter(1, "5.", 1);
  table.set_chapter(1, "", 0);
  expect_texts({"2.1.", "5", ""}, table, 1, "set twice");
  EXPECT_EQ(0, table.level(1));
  EXPECT_EQ(7u, table.mark_line(1));
  EXPECT_EQ("2.1 Data", table.mark_line_text(1));

  table.add_row("", 8);
  expect_texts({"", "", ""}, table, 2, "an empty mark");
  EXPECT_EQ("", table.mark_line_text(2));
}

// A large table keeps every row and text, among them texts larger than a
// block of texts, and views handed out stay valid while the table grows.
TEST(ChapterTable, LargeTableReadsBackWhole) {
  ChapterTable table;
  const std::size_t rows = 200000;
  const std::string long_mark(300000, '7');
  auto mark_of = [&long_mark](std::size_t row) {
    return row % 1000 == 0 ? long_mark : std::to_string(row % 97) + "." + std::to_string(row);
  };
  auto line_of = [&mark_of](std::size_t row) {
    return row % 1000 == 0 ? std::string() : mark_of(row) + " Title of chapter " + std::to_string(row);
  };
  table.add_row(mark_of(1), 2, line_of(1));
  const std::string_view first_mark = table.mark_number(1);
  const std::string_view first_line = table.mark_line_text(1);
  std::string line;
  for (std::size_t row = 2; row <= rows; ++row) {
    line = line_of(row);
    table.add_row(mark_of(row), 2 * row, line);
  }
  ASSERT_EQ(rows, table.chapter_count());
  for (std::size_t row = 1; row <= rows; ++row) {
    ASSERT_EQ(mark_of(row), table.mark_number(row)) << row;
    ASSERT_EQ(line_of(row), table.mark_line_text(row)) << row;
    ASSERT_EQ(2 * row, table.mark_line(row)) << row;
  }
  EXPECT_EQ(mark_of(1), first_mark);
  EXPECT_EQ(line_of(1), first_line);
}

// Threads that look up at once in a finished table all find what one thread
// alone finds: the first of them builds each index, the others wait for it.
TEST(ChapterTable, LookUpsFromSeveralThreadsAtOnce) {
  ChapterTable table;
  const std::size_t rows = 20000;
  for (std::size_t row = 1; row <= rows; ++row) {
    const std::string mark = std::to_string(row % 5000) + ".";
    table.add_row(mark, row);
    table.set_chapter(row, std::to_string(row) + ".", 1);
  }
  table.finish();
  std::vector<std::size_t> found(4 * 3, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 4; ++t)
    threads.emplace_back([&table, &found, t] {
      found[3 * t] = table.first_row_with_mark_number("4999.");
      found[3 * t + 1] = table.first_row_with_chapter_number("12345.");
      found[3 * t + 2] = table.first_row_with_mark_number("none.");
    });
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < 4; ++t) {
    EXPECT_EQ(4999u, found[3 * t]) << t;
    EXPECT_EQ(12345u, found[3 * t + 1]) << t;
    EXPECT_EQ(0u, found[3 * t + 2]) << t;
  }
}

// Line numbers of any size read back, and the cursor finds each row.
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

// The chapter list's formats are shown by tests/examples/chapter_marks.txt;
// these cover what no document of an example reaches.
#include "restructure/chapter_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "restructure/renumber.h"

namespace kestram {
namespace {

std::string chapters_file(const ChapterTable& table) {
  std::string bytes;
  StringSink out(bytes);
  write_chapters_file(table, out);
  return bytes;
}

// Long lists and long marks go out in several blocks or in one grown block;
// every line and every byte stays as it would be alone.
TEST(ChapterList, BlocksKeepEveryLineWhole) {
  struct Case {
    std::size_t rows;
    std::size_t mark_digits;  // digits of every mark; 0 for "1." to "<rows>."
    std::size_t most_calls;   // a block per 64 KiB or so, not a call per line
  };
  for (const Case& c : std::initializer_list<Case>{{20000, 0, 10}, {3, 200000, 4}}) {
    ChapterTable table;
    for (std::size_t i = 1; i <= c.rows; ++i)
      table.add_row((c.mark_digits == 0 ? std::to_string(i) : std::string(c.mark_digits - 1, '0') + "1") + ".", i);
    renumber_chapters(table, 2);
    std::string expected_list = "====================\r\n";
    std::string expected_file;
    for (std::size_t row = 1; row <= c.rows; ++row) {
      const std::string mark(table.mark_number(row));
      const std::string chapter(table.chapter_number(row));
      expected_list += mark + std::string(14 - mark.size() % 80 % 14, ' ') + chapter + "\r\n";
      expected_file += mark + "  " + std::to_string(row) + "  2  " + chapter + "  " +
                       std::string(table.components(row)) + "    \r\n  \r\n";
    }
    std::string printed;
    std::size_t calls = 0;
    print_chapter_list(table, 80, [&](std::string_view lines) {
      printed.append(lines).append("\r\n");
      ++calls;
    });
    EXPECT_TRUE(expected_list == printed) << c.rows;
    EXPECT_TRUE(expected_file == chapters_file(table)) << c.rows;
    EXPECT_LE(calls, c.most_calls) << c.rows;
  }
}

}  // namespace
}  // namespace kestram

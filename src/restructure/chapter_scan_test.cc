#include "restructure/chapter_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestram {
namespace {

struct Row {
  std::string mark_number;
  std::uint64_t mark_line;
  std::string components;
  bool operator==(const Row& other) const {
    return mark_number == other.mark_number && mark_line == other.mark_line &&
           components == other.components;
  }
};

std::ostream& operator<<(std::ostream& os, const Row& row) {
  return os << "{" << row.mark_number << ", " << row.mark_line << ", " << row.components << "}";
}

std::vector<Row> rows_of(const ChapterTable& table) {
  std::vector<Row> rows;
  for (std::size_t r = 1; r <= table.chapter_count(); ++r)
    rows.push_back({std::string(table.mark_number(r)), table.mark_line(r), std::string(table.components(r))});
  return rows;
}

std::vector<Row> scan_text(const std::string& text, std::uint64_t* candidates) {
  LineReader input = LineReader::from_memory(text);
  ChapterTable table;
  *candidates = scan_chapter_marks(input, table);
  return rows_of(table);
}

TEST(ChapterScan, LineNumbersCountEveryLineWhateverItsEnd) {
  // LF, CR LF and lone CR mixed; empty lines and blank lines count too, and
  // a NUL byte is part of its line.
  const std::string text = "\r\n   \n  4.1 Results  \r\r1.2. Two\n\t1. Tab\n1.2/3 x\r\n.  Point\n" +
                           std::string("2. Null\0title\n", 14) + "01..2 Gap";
  std::uint64_t candidates = 0;
  std::vector<Row> rows = scan_text(text, &candidates);
  EXPECT_EQ(5u, candidates);
  EXPECT_EQ((std::vector<Row>{
                {"4.1", 3, "4.1"}, {"1.2.", 5, "1.2"}, {".", 8, ""}, {"2.", 9, "2"}, {"01..2", 10, "01..2"}}),
            rows);
}

TEST(ChapterScan, BoundOf2000AppliesToChaptersOnly) {
  std::uint64_t candidates = 0;
  std::vector<Row> rows = scan_text("2000. Year\n2045. Proxies\n1999.9 Note\n2023.05.12 Meeting\n", &candidates);
  EXPECT_EQ(4u, candidates);
  EXPECT_EQ((std::vector<Row>{{"1999.9", 3, "1999.9"}}), rows);

  rows = scan_text("2000. Year\n2001.1 Later\n", &candidates);
  EXPECT_EQ(2u, candidates);
  EXPECT_TRUE(rows.empty());
}

TEST(ChapterScan, NoMarkAtAll) {
  for (const char* text : {"", "1.\n2.\n3.3\n", "1.Intro\n12 Monkeys\n", "\xEF\xBB\xBF" "1. Intro\n"}) {
    std::uint64_t candidates = 0;
    EXPECT_TRUE(scan_text(text, &candidates).empty()) << text;
    EXPECT_EQ(0u, candidates) << text;
  }
}

// Mark lines are kept up to 1 MiB each and 64 MiB in all; a line not kept,
// and every one after the total is reached, reads as empty.
TEST(ChapterScan, KeepsMarkLinesWithinTheLimits) {
  const std::string longest = "1. " + std::string(kLongestKeptMarkLine - 3, 'w');
  const std::size_t fill = kKeptMarkLineBytes / kLongestKeptMarkLine;  // lines that reach the total
  std::string text = longest + "w\n";                                   // one byte too long
  for (std::size_t i = 0; i < fill; ++i) text += "  " + longest + " \n";
  text += "2. Short\n";
  LineReader input = LineReader::from_memory(text);
  ChapterTable table;
  scan_chapter_marks(input, table);
  ASSERT_EQ(fill + 2, table.chapter_count());
  EXPECT_EQ("", table.mark_line_text(1));
  for (std::size_t row = 2; row <= fill + 1; ++row) ASSERT_EQ(longest, table.mark_line_text(row)) << row;
  EXPECT_EQ("", table.mark_line_text(fill + 2));
  EXPECT_EQ("2.", table.mark_number(fill + 2));
}

}  // namespace
}  // namespace kestram

#include "restructure/chapter_scan.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "restructure/renumber.h"

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

// Both scans over one reader, the second after a rewind; then the single
// pass that the driver runs, which must agree with them.
std::vector<Row> scan(LineReader& input, std::uint64_t* candidates) {
  *candidates = count_candidate_marks(input);
  EXPECT_TRUE(input.rewind());
  ChapterTable table;
  fill_chapter_table(input, table);
  const std::vector<Row> rows = rows_of(table);

  EXPECT_TRUE(input.rewind());
  ChapterTable one_pass_table;
  EXPECT_EQ(*candidates, scan_chapter_marks(input, one_pass_table));
  EXPECT_EQ(rows, rows_of(one_pass_table));
  return rows;
}

std::vector<Row> scan_text(const std::string& text, std::uint64_t* candidates) {
  LineReader input = LineReader::from_memory(text);
  return scan(input, candidates);
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

TEST(ChapterScan, BoundOf2000AppliesToTheFillingScanOnly) {
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

// Rows renumbered as the scan adds them come out as the renumbering of the
// table filled by the plain scan makes them, and keep their lines: over many
// batches of marks, lines kept and lines too long to keep, marks of every
// depth.
TEST(ChapterScan, RowsRenumberedOnTheWayAreThoseRenumberedAfter) {
  std::mt19937 random(5);
  const char* const kMarks[] = {"1.", "2.1", "2.1.1.1", "7", "3.", "1.2.3.", "0.5", "12.1.1", "4.0.0"};
  std::string text;
  std::map<std::uint64_t, std::string> line_texts;  // the stripped mark lines by number
  std::uint64_t line_number = 0;
  for (int i = 0; i < 40000; ++i) {
    std::string line = std::string(kMarks[random() % 9]) + " Title " + std::to_string(i);
    if (random() % 5000 == 0) line += std::string(kLongestKeptMarkLine, 'w');
    line_texts[++line_number] = line;
    text += std::string(random() % 3, ' ') + line;
    if (random() % 4 == 0) {
      text += " \r\nbody text";
      ++line_number;
    }
    text += "\n";
  }
  LineReader input = LineReader::from_memory(text);
  ChapterTable after;
  fill_chapter_table(input, after);
  renumber_chapters(after, 3);
  ASSERT_TRUE(input.rewind());
  ChapterTable on_the_way;
  Renumbering renumbering(on_the_way, 3);
  scan_chapter_marks(input, on_the_way, &renumbering);
  renumbering.finish();
  ASSERT_GT(after.chapter_count(), 30000u);
  ASSERT_EQ(after.chapter_count(), on_the_way.chapter_count());
  for (std::size_t row = 1; row <= after.chapter_count(); ++row) {
    ASSERT_EQ(after.mark_number(row), on_the_way.mark_number(row)) << row;
    ASSERT_EQ(after.mark_line(row), on_the_way.mark_line(row)) << row;
    ASSERT_EQ(after.components(row), on_the_way.components(row)) << row;
    ASSERT_EQ(after.chapter_number(row), on_the_way.chapter_number(row)) << row;
    ASSERT_EQ(after.level(row), on_the_way.level(row)) << row;
    ASSERT_EQ(after.indent_blanks(row), on_the_way.indent_blanks(row)) << row;
    const std::string& line = line_texts[after.mark_line(row)];
    ASSERT_EQ(line.size() <= kLongestKeptMarkLine ? line : "", on_the_way.mark_line_text(row)) << row;
  }
}

}  // namespace
}  // namespace kestram

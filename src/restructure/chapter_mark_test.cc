// The mark rules themselves are shown by tests/examples/chapter_marks.txt;
// these check the fast paths against them.
#include "restructure/chapter_mark.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "restructure/chapter_scan.h"
#include "text/text.h"

namespace kestram {
namespace {

// The rules written out plainly, for lines of every length: the test reads a
// long first word eight bytes at a time.
MarkTest plain_mark_test(const std::string& line) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string::npos) return {};
  const std::string word = line.substr(0, blank);
  if (word.find_first_not_of("0123456789.") != std::string::npos) return {};
  const auto points = static_cast<std::size_t>(std::count(word.begin(), word.end(), '.'));
  if (points == 0 || points > kMaxMarkPoints) return {};
  std::string whole = word.substr(0, word.find('.'));
  whole.erase(0, std::min(whole.size(), whole.find_first_not_of('0')));
  return MarkTest{true, whole.size() < 4 || (whole.size() == 4 && whole < "2000"), blank};
}

TEST(ChapterMark, EveryLengthOfFirstWord) {
  // Bytes that pass or fail the tests, and a few close to them ('/' and ':'
  // border the digits, bytes above 127 have the high bit set).
  static const char kBytes[] = "0000111299....  /:a\x80\xb0\xae\xa0";
  const std::string bytes = std::string(kBytes, sizeof kBytes - 1) + '\0';
  std::mt19937 random(7);
  for (int i = 0; i < 200000; ++i) {
    std::string line;
    const std::size_t length = random() % 40;
    for (std::size_t k = 0; k < length; ++k) line += bytes[random() % bytes.size()];
    if (random() % 2 == 0 && !line.empty()) line[0] = "0123456789."[random() % 11];
    const std::string trimmed(trim_blanks(line));
    const MarkTest expected = plain_mark_test(trimmed);
    const MarkTest actual = test_mark(trimmed);
    ASSERT_EQ(expected.candidate, actual.candidate) << trimmed;
    ASSERT_EQ(expected.chapter, actual.chapter) << trimmed;
    if (expected.candidate) {
      ASSERT_EQ(expected.number_length, actual.number_length) << trimmed;
    }
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

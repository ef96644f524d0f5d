#include "restructure/chapter_mark.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "text/text.h"

namespace kestram {
namespace {

std::string dotted(std::size_t points) {
  std::string number = "1";
  for (std::size_t i = 0; i < points; ++i) number += ".1";
  return number;
}

TEST(ChapterMark, FirstWordNeedsABlank) {
  EXPECT_EQ("1.2", first_word("1.2 Scope"));
  EXPECT_EQ("1.", first_word("1.  two blanks"));
  EXPECT_EQ("", first_word("1."));
  EXPECT_EQ("1.\tTab", first_word("1.\tTab title"));
}

TEST(ChapterMark, CandidateAndChapterRules) {
  struct Case {
    std::string line;  // trimmed
    bool candidate;
    bool chapter;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"1. Introduction", true, true},
           {"1.2.3 Scope", true, true},
           {"01.2. Scope", true, true},
           {"1.Introduction", false, false},        // letters in the first word
           {"1.", false, false},                    // no blank, no first word
           {"12 Monkeys", false, false},            // no point
           {"3/4. half", false, false},             // '/' lies between '.' and '0'
           {"1,2 text", false, false},              // comma
           {"1.\tTwo words", false, false},         // a tab is no blank
           {"\t1. Tabbed", false, false},           // leading tab is kept by trimming
           {"\xEF\xBB\xBF" "1. Intro", false, false},  // byte-order mark
           {"1.\xC3\xA9 x", false, false},          // bytes above 127
           {std::string("1.\0 x", 5), false, false},
           {"12.05.2023 Meeting", true, true},      // leading number 12.05
           {"2023.05.12 Meeting", true, false},     // leading number 2023.05
           {"1999.9 Note", true, true},
           {"1999.99999999999999999999 Note", true, true},  // exact, no rounding up
           {"2000. Year", true, false},
           {"0001999.1 Padded", true, true},        // leading zeros do not count
           {"0002000.1 Padded", true, false},
           {"0000000001999.1 Zeros beyond eight", true, true},
           {"0000000002000.1 Zeros beyond eight", true, false},
           {"99999999999999999999.1 Huge", true, false},
           {". Point alone", true, true},           // leading number 0
           {".5 Note", true, true},
           {"1..2 Gap", true, true},
           {dotted(25) + " Deepest", true, true},   // 26 components
           {dotted(26) + " Too deep", false, false},
           {dotted(24) + ". Deepest with point", true, true},  // 25 points
           {dotted(25) + ". Too many points", false, false}}) {
    EXPECT_EQ(c.candidate, is_candidate_mark(c.line)) << c.line;
    EXPECT_EQ(c.chapter, is_chapter_mark(c.line)) << c.line;
    // The scans take the mark number's length from the same test.
    if (c.candidate) {
      EXPECT_EQ(first_word(c.line).size(), test_mark(c.line).number_length) << c.line;
    }
  }
}

// The rules of CandidateAndChapterRules written out plainly, for lines of
// every length: the test reads a long first word eight bytes at a time.
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

TEST(ChapterMark, RoundedLeadingNumberGoesHalfToEven) {
  struct Case {
    const char* text;
    const char* expected;
  };
  for (const Case& c : std::initializer_list<Case>{{"1.", "1"},
                                                  {"1.2", "1"},
                                                  {"0.", "0"},
                                                  {"1.5", "2"},
                                                  {"2.5", "2"},
                                                  {"2.51", "3"},
                                                  {"2.50000", "2"},
                                                  {"3.5.7", "4"},  // stops at the second point
                                                  {"1.49999", "1"},
                                                  {".", "0"},
                                                  {".5", "0"},
                                                  {".6", "1"},
                                                  {"007.9.1", "8"},
                                                  {"1999.5", "2000"},
                                                  {"999.9", "1000"}})
    EXPECT_EQ(c.expected, rounded_leading_number(c.text)) << c.text;
}

TEST(ChapterMark, MarkLevelCountsAnAppendedPoint) {
  EXPECT_EQ(1u, mark_level("1."));
  EXPECT_EQ(2u, mark_level("1.2"));
  EXPECT_EQ(2u, mark_level("1.2."));
  EXPECT_EQ(3u, mark_level("1..2"));
  EXPECT_EQ(1u, mark_level("."));
  EXPECT_EQ(26u, mark_level(dotted(25)));
}

TEST(ChapterMark, IncrementIsExactForAnyLength) {
  struct Case {
    std::string component;
    std::string expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"", "1"},
           {"0", "1"},
           {"007", "8"},
           {"9", "10"},
           {"0999", "1000"},
           {"12345678901234567", "12345678901234568"},  // beyond double precision
           {std::string(40, '9'), "1" + std::string(40, '0')},
           {"00" + std::string(38, '9'), "1" + std::string(38, '0')}})
    EXPECT_EQ(c.expected, increment_component(c.component)) << c.component;
}

}  // namespace
}  // namespace kestram

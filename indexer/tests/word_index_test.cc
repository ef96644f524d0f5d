#include "word_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "word_text.h"

namespace kestram::lexpage {
namespace {

TEST(WordIndex, FoldsAsciiCaseAndSortsByBytes) {
  const std::string page = "Apple apple APPLE banana 7up Zeta \xC3\xA4rger \xC3\x84rger";
  PageScan scan = scan_page(page);
  WordIndex index = build_word_index(page, scan);
  // Only ASCII letters fold: the UTF-8 capital stays a word of its own.
  std::vector<std::string> words;
  for (std::size_t r = 0; r < index.words.size(); ++r) words.emplace_back(index.words[r]);
  EXPECT_EQ((std::vector<std::string>{"7up", "apple", "banana", "zeta", "\xC3\x84rger",
                                      "\xC3\xA4rger"}),
            words);
  std::vector<std::size_t> counts;
  for (std::size_t r = 0; r < index.words.size(); ++r) counts.push_back(index.count(r));
  EXPECT_EQ((std::vector<std::size_t>{1, 3, 1, 1, 1, 1}), counts);
  // The occurrences of "apple" in page order.
  EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2}),
            std::vector<std::uint32_t>(index.occurrences.begin() + index.first[1],
                                       index.occurrences.begin() + index.first[2]));

}

TEST(WordIndex, ChapterTotalsCountWordsAndDifferentWords) {
  const std::string page =
      "intro intro\r\n"
      "<span ID=\"1.\">one</span> a b a\r\n"
      "<span ID=\"2.\">two</span> a a\r\n"
      "<span ID=\"3.\"></span>\r\n";
  PageScan scan = scan_page(page);
  WordIndex index = build_word_index(page, scan);
  ASSERT_EQ(4u, index.chapters.size());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> totals;
  for (const ChapterTotals& t : index.chapters) totals.emplace_back(t.words, t.different_words);
  EXPECT_EQ((std::vector<std::pair<std::uint64_t, std::uint64_t>>{{2, 1}, {4, 3}, {3, 2}, {0, 0}}),
            totals);
}

TEST(WordIndex, KeywordsAreIdentificationLines) {
  struct Case {
    std::string page;
    std::vector<std::string> expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"Annual-budget-plan id=123456789", {"Annual-budget-plan id=123456789"}},
           {"    Scope id=000000001  \r\nnext", {"Scope id=000000001"}},
           {"Key id=12345678", {}},             // eight digits
           {"Key id=1234567890", {}},           // ten digits
           {" id=123456789", {}},               // no title key
           {"Key id=12345678x9", {}},
           {"see b-c id=123456789 there", {"b-c id=123456789"}},
           {"x&lt;y id=123456789", {"x<y id=123456789"}},
           {"<b>Bold-key</b> id=987654321", {"Bold-key id=987654321"}},
           {"A id=111111111\nB id=222222222", {"A id=111111111", "B id=222222222"}},
       }) {
    std::vector<std::string> found;
    for (const Keyword& keyword : find_keywords(scan_page(c.page))) found.push_back(keyword.text);
    EXPECT_EQ(c.expected, found) << c.page;
  }
}

TEST(WordIndex, KeywordPointsAtTheFirstWordOfItsKey) {
  const std::string page = "before\r\n  --Annual-plan id=123456789\r\n";
  PageScan scan = scan_page(page);
  std::vector<Keyword> keywords = find_keywords(scan);
  ASSERT_EQ(1u, keywords.size());
  ASSERT_LT(keywords[0].occurrence, scan.words.size());
  const WordSpan& word = scan.words[keywords[0].occurrence];
  EXPECT_EQ("Annual", page.substr(word.page_offset, word.length));
}

TEST(WordIndex, UnitCodesEndTheChapterHeadings) {
  struct Case {
    std::string page;
    std::vector<std::string> expected;
  };
  auto heading = [](const char* number, const char* title) {
    return std::string("<span style=\"color:blue\"; ID=\"") + number + "\"><b>" + number + " " + title +
           "</b></span>  \r\nbody text (not a title)\r\n";
  };
  for (const Case& c : std::initializer_list<Case>{
           {heading("1.", "Budget (HR)") + heading("1.1", "Staff (HR)") + heading("2.", "Plan (FIN)"), {"HR", "FIN"}},
           {heading("1.", "Budget") + heading("2.", "Costs (estimated) here"), {}},
           {"(HR) before any chapter\r\n" + heading("1.", "Budget ()"), {}},
           // Two headings on one line: the line is read once.
           {"<span ID=\"1.\">a</span><span ID=\"2.\">b (X)</span>", {"X"}},
       }) {
    EXPECT_EQ(c.expected, unit_codes(scan_page(c.page))) << c.page;
  }
}

TEST(WordIndex, ContextStaysOnTheLineAndKeepsCharactersWhole) {
  struct Case {
    std::string plain;
    std::string word;  // its first occurrence is shown
    std::size_t width;
    std::string before;
    std::string after;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"one two three four five", "three", 4, "two ", " fou"},
           {"one two three four five", "one", 4, "", " two"},
           {"first line\r\nword\nnext", "word", 10, "", ""},
           {"\xC3\xA9\xC3\xA9\xC3\xA9 x \xC3\xA9\xC3\xA9\xC3\xA9", "x", 3,
            "\xC3\xA9\xC3\xA9 ", " \xC3\xA9\xC3\xA9"},
           {"\xE2\x82\xAC\xE2\x82\xAC key", "key", 2, "\xE2\x82\xAC ", ""},
       }) {
    std::size_t at = c.plain.find(c.word);
    WordSpan word{0, static_cast<std::uint32_t>(c.word.size()), static_cast<std::uint32_t>(at), 0};
    ContextLine line = context_line(c.plain, word, c.width);
    EXPECT_EQ(c.before, line.before) << c.plain;
    EXPECT_EQ(c.word, line.word) << c.plain;
    EXPECT_EQ(c.after, line.after) << c.plain;
  }
}

TEST(WordText, BrowserTextReplacesInvalidUtf8LikeBrowsers) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const std::string r = "\xEF\xBF\xBD";
  for (const Case& c : std::initializer_list<Case>{
           {"plain", "plain"},
           {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"},
           {"\xE4rger", r + "rger"},                // a CP1252 byte
           {"\xC0\x80", r + r},                     // overlong
           {"\xED\xA0\x80", r + r + r},             // a surrogate
           {"\xF4\x90\x80\x80", r + r + r + r},     // beyond U+10FFFF
           {"\xE2\x82", r},                         // cut off at the end
           {"\xE2\x82" "A", r + "A"},               // cut off by another character
       })
    EXPECT_EQ(c.expected, browser_text(c.bytes)) << c.bytes;
}

}  // namespace
}  // namespace kestram::lexpage

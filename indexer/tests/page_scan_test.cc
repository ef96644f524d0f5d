#include "page_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestram::lexpage {
namespace {

std::vector<std::string> words_of(std::string_view page) {
  PageScan scan = scan_page(page);
  std::vector<std::string> words;
  for (const WordSpan& word : scan.words) {
    words.emplace_back(page.substr(word.page_offset, word.length));
    // The visible text holds the same bytes at the word's plain offset.
    EXPECT_EQ(words.back(), scan.plain.substr(word.plain_offset, word.length)) << page;
  }
  return words;
}

using Words = std::vector<std::string>;

TEST(PageScan, WordsLeaveMarkupOut) {
  struct Case {
    std::string page;
    Words expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"<b>Hello</b> world", {"Hello", "world"}},
           {"a&lt;b &amp; c&gt;", {"a", "b", "c"}},
           {"R&D and AT&T", {"R", "D", "and", "AT", "T"}},  // a bare & is text
           {"<span style=\"color:blue\"; ID=\"3.1\"><b>3.1 Scope</b></span>", {"3", "1", "Scope"}},
           {"<a href=\"http://x.org/page\">http://x.org/page</a> ", {"http", "x", "org", "page"}},
           {"<!-- hidden words --> shown", {"shown"}},
           {"<!-->one<!--->two<!-- x -- y -->three", {"one", "two", "three"}},
           {"<SCRIPT>var hidden = '</b>';</SCRIPT >after", {"after"}},
           {"<style>p{color:red}</style><title>Name</title>body", {"body"}},
           {"x < y > z", {"x", "y", "z"}},  // "<" before a blank opens no tag
           {"<td align=\"left\">Tea</td><td align=right>2.50</td>", {"Tea", "2", "50"}},
           {"<p title=\"a>b\" class='c>d'>text", {"text"}},  // ">" inside quoted values
           {"caf&#233; &#x41;", {"caf"}},  // references are markup, never words
           {"&unknown; entity", {"entity"}},
           {"tab\there", {"tab", "here"}},
           {std::string("nul\0byte", 8), {"nul", "byte"}},
           {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">one", {"one"}},
           {"text <b unclosed words", {"text"}},
           {"end </", {"end"}},
           {"a</ b>c", {"a", "c"}},  // a malformed end tag runs to ">"
       })
    EXPECT_EQ(c.expected, words_of(c.page)) << c.page;
}

TEST(PageScan, BytesAbove127AreLetters) {
  struct Case {
    std::string page;
    Words expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"Gr\xC3\xB6\xC3\x9F" "e na\xC3\xAFve", {"Gr\xC3\xB6\xC3\x9F" "e", "na\xC3\xAFve"}},
           {"\xE2\x82\xAC" "5", {"\xE2\x82\xAC" "5"}},
           {"cp1250 \x8A\xE8 bytes", {"cp1250", "\x8A\xE8", "bytes"}},  // not UTF-8: still whole
           // The byte-order mark and the no-break space separate words.
           {"\xEF\xBB\xBF" "first\xC2\xA0second", {"first", "second"}},
           {"\xC3\xA9\xC2\xA0", {"\xC3\xA9"}},
       })
    EXPECT_EQ(c.expected, words_of(c.page)) << c.page;
}

TEST(PageScan, VisibleTextDecodesReferences) {
  struct Case {
    std::string page;
    std::string plain;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"a&lt;b<b>c</b>&gt;", "a<bc>"},
           {"&#x41;&#66;&#233;", "AB\xC3\xA9"},
           {"&#0;&#x110000;", "\xEF\xBF\xBD\xEF\xBF\xBD"},
           {"x&nbsp;y", "x\xC2\xA0y"},
           {"&foo; &amp &", "&foo; &amp &"},
           {"<script>x</script>y\r\nz", "y\r\nz"},
       })
    EXPECT_EQ(c.plain, scan_page(c.page).plain) << c.page;
}

TEST(PageScan, WordsBelongToTheChapterWhoseHeadingPrecedesThem) {
  const std::string page =
      "<b>TABLE OF CONTENTS</b>\r\n"
      "<b>1. Intro <a href=\"#1.\">1.</a> </b>\r\n"
      "<span style=\"color:blue\"; ID=\"1.\"><b>1. Intro</b></span>\r\n"
      "alpha <span id=\"note\">beta</span>\r\n"  // not a chapter number
      "  <span style=\"color:blue\"; ID=\"1.1\"><b>1.1 Deeper</b></span>\r\n"
      "gamma\r\n";
  PageScan scan = scan_page(page);
  EXPECT_EQ((std::vector<std::string>{"", "1.", "1.1"}), scan.chapters);
  std::vector<std::pair<std::string, std::uint32_t>> seen;
  for (const WordSpan& word : scan.words)
    seen.emplace_back(page.substr(word.page_offset, word.length), word.chapter);
  EXPECT_EQ((std::vector<std::pair<std::string, std::uint32_t>>{
                {"TABLE", 0}, {"OF", 0}, {"CONTENTS", 0}, {"1", 0}, {"Intro", 0}, {"1", 0},
                {"1", 1}, {"Intro", 1}, {"alpha", 1}, {"beta", 1},
                {"1", 2}, {"1", 2}, {"Deeper", 2}, {"gamma", 2}}),
            seen);
}

TEST(PageScan, ChapterNumbers) {
  for (const char* yes : {"3.", "3.1", "10.2.7", "0"}) EXPECT_TRUE(is_chapter_number(yes)) << yes;
  for (const char* no : {"", ".3", "3a", "note", "3 .1"}) EXPECT_FALSE(is_chapter_number(no)) << no;
}

TEST(PageScan, BodyEndIsTheFirstBodyEndTag) {
  struct Case {
    std::string page;
    std::size_t body_end;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"<body>x</body></html>", 7},
           {"<BODY>x</BODY >", 7},
           {"<script>'</body>'</script></body>", 26},
           {"no end tag", 10},
       })
    EXPECT_EQ(c.body_end, scan_page(c.page).body_end) << c.page;
}

}  // namespace
}  // namespace kestram::lexpage

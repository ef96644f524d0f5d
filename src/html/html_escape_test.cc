#include "html/html_escape.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>

namespace kestram {
namespace {

TEST(HtmlEscape, OnlyAngleBracketsChange) {
  struct Case {
    std::string text;
    std::string expected;
  };
  using namespace std::string_literals;
  for (const Case& c : std::initializer_list<Case>{
           {"", ""},
           {"a < b", "a &lt; b"},
           {"<b>x</b>", "&lt;b&gt;x&lt;/b&gt;"},
           {"><", "&gt;&lt;"},
           {"&amp; & \"q\" 'q'", "&amp; & \"q\" 'q'"},  // entities and quotes stay
           {"\t<\t", "\t&lt;\t"},
           {"x\0<y"s, "x\0&lt;y"s},                      // NUL bytes pass through
           {"\xc3\xa4<\xff", "\xc3\xa4&lt;\xff"},        // bytes above 127 unchanged
           {"&lt;", "&lt;"},                             // no double escaping of "&"
       })
    EXPECT_EQ(c.expected, html_escape(c.text)) << c.text;
}

TEST(HtmlEscape, AppendsBehindExistingText) {
  std::string out = "kept ";
  append_html_escaped(out, "<p>");
  EXPECT_EQ("kept &lt;p&gt;", out);
}

TEST(HtmlEscape, LongTextsAgreeByteForByte) {
  // Brackets at every offset of the blocks the escaping tests at once, in
  // text written out directly and in text appended to a string, and the
  // size of the escaped text told beforehand.
  std::mt19937 random(5);
  for (int round = 0; round < 500; ++round) {
    std::string text(random() % 300, 'a');
    std::string expected;
    for (char& c : text) {
      const unsigned pick = random() % 40;
      // Near misses: bytes one bit away from a bracket.
      const char near_misses[] = "=?:\xbc\xbe\x1c\x1e\x7c\x7e";
      c = pick == 0   ? '<'
          : pick == 1 ? '>'
          : pick < 10 ? near_misses[random() % (sizeof near_misses - 1)]
                      : static_cast<char>(random() % 256);
      if (c == '<') {
        expected += "&lt;";
      } else if (c == '>') {
        expected += "&gt;";
      } else {
        expected += c;
      }
    }
    EXPECT_EQ(expected, html_escape(text));
    EXPECT_EQ(expected.size(), html_escaped_size(text));
    std::string written;
    LineWriter writer = LineWriter::to_memory(written);
    write_html_escaped(writer, text);
    EXPECT_EQ(expected, written);
  }
}

}  // namespace
}  // namespace kestram

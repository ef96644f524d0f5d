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
           {"<b>x</b>", "&lt;b&gt;x&lt;/b&gt;"},
           {"&lt; & \"q\" 'q'", "&lt; & \"q\" 'q'"},  // entities and quotes stay
           {"x\0<y"s, "x\0&lt;y"s},                  // NUL bytes pass through
       })
    EXPECT_EQ(c.expected, html_escape(c.text)) << c.text;
}

TEST(HtmlEscape, LongTextsAgreeByteForByte) {
  // Brackets among bytes of every value and near misses, in text escaped
  // alone and appended to a string (behind what it held); and whether the
  // text needs escaping at all.
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
    EXPECT_EQ(expected != text, needs_html_escape(text));
    std::string appended = "kept ";
    append_html_escaped(appended, text);
    EXPECT_EQ("kept " + expected, appended);
  }
}

}  // namespace
}  // namespace kestram

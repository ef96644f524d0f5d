#include "html/html_escape.h"

#include <gtest/gtest.h>

#include <initializer_list>
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

}  // namespace
}  // namespace kestram

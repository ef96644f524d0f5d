#include "html/html_escape.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kestram {
namespace {

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
      expected += c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
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

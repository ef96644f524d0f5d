#include "text/utf8.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace kestram {
namespace {

TEST(Utf8, ValidAndInvalidSequences) {
  struct Case {
    std::string text;
    bool valid;
  };
  using namespace std::string_literals;
  for (const Case& c : std::initializer_list<Case>{
           {"", true},
           {"plain ASCII with a NUL \0 byte"s, true},
           {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},      // 2, 3 and 4 bytes
           {"\xC2\x80 \xDF\xBF \xE0\xA0\x80 \xEF\xBF\xBF", true},     // the edges of each length
           {"\xED\x9F\xBF \xEE\x80\x80 \xF4\x8F\xBF\xBF", true},      // around the surrogates, U+10FFFF
           {"\xC9" "cart", false},                                  // Latin-1 capital E acute
           {"\x80", false},                                         // a continuation alone
           {"\xC0\x80", false},                                     // overlong NUL
           {"\xC1\xBF", false},                                     // overlong
           {"\xE0\x9F\xBF", false},                                 // overlong three bytes
           {"\xF0\x8F\xBF\xBF", false},                             // overlong four bytes
           {"\xED\xA0\x80", false},                                 // a surrogate half
           {"\xF4\x90\x80\x80", false},                             // above U+10FFFF
           {"\xF5\x80\x80\x80", false},
           {"\xFF", false},
           {"\xC3", false},                                         // cut off at the end
           {"\xE2\x82", false},
           {"\xE2\x82 x", false},                                   // cut off by another byte
           {"\xC3\xA9\xA9", false},                                 // one continuation too many
       })
    EXPECT_EQ(c.valid, is_valid_utf8(c.text)) << c.text;
}

// The 16-byte steps over ASCII must neither skip nor misplace a byte of a
// sequence, wherever it stands.
TEST(Utf8, EveryPositionInLongerText) {
  for (std::size_t length = 0; length < 40; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      std::string text(length, 'a');
      EXPECT_TRUE(is_valid_utf8(text.substr(0, at) + "\xE2\x82\xAC" + text.substr(at))) << length << " " << at;
      EXPECT_FALSE(is_valid_utf8(text.substr(0, at) + "\xE9" + text.substr(at))) << length << " " << at;
      EXPECT_FALSE(is_valid_utf8(text.substr(0, at) + "\xE2\x82")) << length << " " << at;
    }
  }
}

}  // namespace
}  // namespace kestram

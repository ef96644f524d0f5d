#include "text/byte_copy.h"

#include <gtest/gtest.h>

#include <string>

namespace kestram {
namespace {

// Every count from none to well past the two-store limit lands exactly: the
// bytes before and after the copy keep their values.
TEST(ByteCopy, CopiesExactlyTheCountedBytes) {
  std::string source;
  for (int i = 0; i < 40; ++i) source += static_cast<char>('a' + i % 26);
  for (std::size_t count = 0; count <= source.size(); ++count) {
    std::string target(source.size() + 8, '#');
    char* end = copy_bytes(&target[4], source.data(), count);
    EXPECT_EQ(&target[4] + count, end) << count;
    EXPECT_EQ("####" + source.substr(0, count) + std::string(source.size() + 4 - count, '#'), target) << count;
  }
}

// The short copy keeps the counted bytes and moves the rest of its piece
// along, which the next write is to cover; nothing beyond the piece changes.
TEST(ByteCopy, ShortCopyKeepsTheCountAndStaysWithinItsPiece) {
  const std::string source = "0123456789abcdefXYZ";
  for (std::size_t count = 0; count <= kShortCopy; ++count) {
    std::string target(kShortCopy + 8, '#');
    char* end = copy_short(&target[2], source.data(), count);
    EXPECT_EQ(&target[2] + count, end) << count;
    EXPECT_EQ("##" + source.substr(0, kShortCopy) + "######", target) << count;
  }
}

// Two texts of every length up to past the memcmp limit compare equal, and
// differ when any single byte of them does, the first and last included;
// the bytes around them are never looked at.
TEST(ByteCopy, SameBytesSeesEveryByte) {
  for (std::size_t count = 0; count <= 24; ++count) {
    std::string a = "<" + std::string(count, 'x') + ">";
    for (std::size_t i = 0; i < count; ++i) a[1 + i] = static_cast<char>('a' + i);
    std::string b = "[" + a.substr(1, count) + "]";
    EXPECT_TRUE(same_bytes(a.data() + 1, b.data() + 1, count)) << count;
    for (std::size_t i = 0; i < count; ++i) {
      std::string c = b;
      c[1 + i] = static_cast<char>(c[1 + i] ^ 0x80);
      EXPECT_FALSE(same_bytes(a.data() + 1, c.data() + 1, count)) << count << " " << i;
    }
  }
}

}  // namespace
}  // namespace kestram

// What only the Windows back end of convertcp.exe has: the names Windows
// knows, and the iconv interface over the code page functions.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "code_page_conversion.h"
#include "iconv.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

using testing::read_file;
using testing::TempDir;
using testing::write_file;

// Code pages by number, as Windows names them; a stateful code page is
// refused rather than converted in part. (The cases both back ends share
// are examples of tests/examples/convertcp.txt.)
TEST(WindowsConvertFile, CodePagesByNumberAndNoStatefulOnes) {
  TempDir dir;
  write_file(dir.file("in.txt"), "\xE6");
  ConversionResult result = convert_file("852", "1250", dir.file("in.txt"), dir.file("out.txt"));
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ("\x8A", read_file(dir.file("out.txt")));
  result = convert_file("ISO-2022-JP", "UTF-8", dir.file("in.txt"), dir.file("out.txt"));
  EXPECT_NE(std::string::npos, result.error.find("unknown code page: ISO-2022-JP")) << result.error;
}

TEST(WindowsIconv, StopsAtWholeCharacters) {
  iconv_t converter = iconv_open("CP1250", "UTF-8");
  ASSERT_NE(reinterpret_cast<iconv_t>(-1), converter);
  std::string input = "a\xC4\x8D" "b";
  char output[2];
  char* in = input.data();
  std::size_t in_left = input.size();
  char* out = output;
  std::size_t out_left = sizeof output;
  // Room for two characters: the third waits, nothing is half written.
  EXPECT_EQ(static_cast<std::size_t>(-1), iconv(converter, &in, &in_left, &out, &out_left));
  EXPECT_EQ(E2BIG, errno);
  EXPECT_EQ(1u, in_left);
  EXPECT_EQ(0u, out_left);
  EXPECT_EQ("a\xE8", std::string(output, 2));

  // A character cut at the end of the input stays unread.
  std::string cut = "\xC4";
  in = cut.data();
  in_left = 1;
  out = output;
  out_left = sizeof output;
  EXPECT_EQ(static_cast<std::size_t>(-1), iconv(converter, &in, &in_left, &out, &out_left));
  EXPECT_EQ(EINVAL, errno);
  EXPECT_EQ(1u, in_left);
  EXPECT_EQ(0u, iconv(converter, nullptr, nullptr, &out, &out_left));
  EXPECT_EQ(0, iconv_close(converter));

  errno = 0;
  EXPECT_EQ(reinterpret_cast<iconv_t>(-1), iconv_open("UTF-8", "CP"));
  EXPECT_EQ(EINVAL, errno);
}

}  // namespace
}  // namespace kestram

// What the Windows code page functions add to the conversions of
// convertcp.exe: the names Windows knows, surrogate pairs, double-byte
// code pages, and what they would quietly accept.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "code_page_conversion.h"
#include "iconv.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

using testing::read_file;
using testing::TempDir;
using testing::write_file;

TEST(WindowsConvertFile, ConvertsBetweenCodePages) {
  struct Case {
    const char* from;
    const char* to;
    std::string input;
    std::string expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"UTF-8", "cp1250", "\xC5\xA0\xC4\x8D\xC5\xA1", "\x8A\xE8\x9A"},
           {"IBM852", "WINDOWS-1250", "\xE6", "\x8A"},
           {"852", "1250", "\xE6", "\x8A"},
           {"UTF-16BE", "UTF-8", std::string("\0A\xD8\x3D\xDE\x00", 6), "A\xF0\x9F\x98\x80"},
           {"UTF-8", "UTF-16BE", "\xF0\x9F\x98\x80", std::string("\xD8\x3D\xDE\x00", 4)},
           {"CP932", "UTF-8", "a\x82\xA0", "a\xE3\x81\x82"}}) {  // a double-byte character
    TempDir dir;
    write_file(dir.file("in.txt"), c.input);
    ConversionResult result = convert_file(c.from, c.to, dir.file("in.txt"), dir.file("out.txt"));
    EXPECT_TRUE(result.ok) << c.from << " -> " << c.to << ": " << result.error;
    EXPECT_EQ(c.expected, read_file(dir.file("out.txt"))) << c.from << " -> " << c.to;
  }
}

TEST(WindowsConvertFile, FailuresNameTheCauseAndKeepTheOldOutput) {
  struct Case {
    const char* from;
    const char* to;
    std::string input;
    const char* expected_error_part;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"UTF-8", "CP1250", "a\xC0\x80", "byte offset 1 "},  // an overlong NUL
           {"UTF-8", "CP1250", "x\xE4\xB8\xAD", "byte offset 1 "},     // no best-fit look-alike
           {"UTF-16LE", "UTF-8", std::string("A\0\x00\xDC", 4), "byte offset 2 "},  // lone low surrogate
           {"UTF-16LE", "UTF-8", std::string("A\0B", 3), "ends inside a UTF-16LE character at byte offset 2"},
           {"CP932", "UTF-8", "a\x82", "ends inside a CP932 character at byte offset 1"},
           {"UTF-8", "CP99999", "x", "unknown code page: CP99999"},
           {"ISO-2022-JP", "UTF-8", "x", "unknown code page: ISO-2022-JP"}}) {
    TempDir dir;
    write_file(dir.file("in.txt"), c.input);
    write_file(dir.file("out.txt"), "old");
    ConversionResult result = convert_file(c.from, c.to, dir.file("in.txt"), dir.file("out.txt"));
    EXPECT_FALSE(result.ok) << c.expected_error_part;
    EXPECT_NE(std::string::npos, result.error.find(c.expected_error_part)) << result.error;
    EXPECT_EQ("old", read_file(dir.file("out.txt"))) << c.expected_error_part;
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
    EXPECT_EQ(2, files) << "a temporary file was left behind";
  }
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

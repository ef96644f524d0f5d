// The conversions of convertcp.exe: the same cases on the code page back end
// of each system (iconv, or the code page functions of Windows).
#include "code_page_conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace kestram {
namespace {

using testing::read_file;
using testing::TempDir;
using testing::write_file;

TEST(ConvertFile, ConvertsBetweenCodePages) {
  struct Case {
    const char* from;
    const char* to;
    std::string input;
    std::string expected;
  };
  const std::string nul_line("a\0b\r\n", 5);
  for (const Case& c : std::initializer_list<Case>{
           {"CP1250", "UTF-8", "\x8A\xE8\x9A", "\xC5\xA0\xC4\x8D\xC5\xA1"},  // S, c, s with caron
           {"UTF-8", "CP1250", "\xC5\xA0\xC4\x8D\xC5\xA1", "\x8A\xE8\x9A"},
           {"ISO-8859-2", "UTF-8", "\xA9", "\xC5\xA0"},
           {"UTF-8", "UTF-16LE", "A\xC3\xA9", std::string("A\0\xE9\0", 4)},
           {"CP1250", "UTF-8", nul_line, nul_line},  // NUL bytes and line ends pass
           {"CP1250", "UTF-8", "", ""},
           {"UTF-8", "cp1250", "\xC5\xA0\xC4\x8D\xC5\xA1", "\x8A\xE8\x9A"},  // names in any case
           {"IBM852", "WINDOWS-1250", "\xE6", "\x8A"},
           {"UTF-16BE", "UTF-8", std::string("\0A\xD8\x3D\xDE\x00", 6), "A\xF0\x9F\x98\x80"},  // a surrogate pair
           {"UTF-8", "UTF-16BE", "\xF0\x9F\x98\x80", std::string("\xD8\x3D\xDE\x00", 4)},
           {"CP932", "UTF-8", "a\x82\xA0", "a\xE3\x81\x82"}}) {  // a double-byte character
    TempDir dir;
    write_file(dir.file("in.txt"), c.input);
    ConversionResult result = convert_file(c.from, c.to, dir.file("in.txt"), dir.file("out.txt"));
    EXPECT_TRUE(result.ok) << c.from << " -> " << c.to << ": " << result.error;
    EXPECT_EQ(c.expected, read_file(dir.file("out.txt"))) << c.from << " -> " << c.to;
  }
}

TEST(ConvertFile, FailuresNameTheCauseAndKeepTheOldOutput) {
  struct Case {
    const char* from;
    const char* to;
    std::string input;  // "<none>": the input file does not exist
    const char* expected_error_part;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"UTF-8", "CP1250", "a\xC0\x80", "byte offset 1 "},                    // an overlong NUL
           {"UTF-8", "CP1250", "x\xE4\xB8\xAD", "byte offset 1 "},                // no look-alike
           {"UTF-16LE", "UTF-8", std::string("A\0\0\xDC", 4), "byte offset 2 "},  // a lone low surrogate
           {"UTF-16LE", "UTF-8", std::string("A\0B", 3), "ends inside a UTF-16LE character at byte offset 2"},
           {"CP932", "UTF-8", "a\x82", "ends inside a CP932 character at byte offset 1"},
           {"UTF-8", "CP99999", "x", "unknown code page: CP99999"},
           {"UTF-8", "CP1250", "ab\xFF" "cd", "byte offset 2 "},
           {"UTF-8", "CP1250", "abc\xC4", "ends inside a UTF-8 character at byte offset 3"},
           {"UTF-8", "ISO-8859-1", "a\xE2\x82\xAC", "byte offset 1 "},  // no euro sign there
           {"NO-SUCH-PAGE", "UTF-8", "x", "unknown code page: NO-SUCH-PAGE"},
           {"UTF-8", "NO-SUCH-PAGE", "x", "unknown code page: NO-SUCH-PAGE"},
           {"UTF-8", "CP1250", "<none>", "cannot read "}}) {
    TempDir dir;
    if (c.input != "<none>") write_file(dir.file("in.txt"), c.input);
    write_file(dir.file("out.txt"), "old");
    ConversionResult result = convert_file(c.from, c.to, dir.file("in.txt"), dir.file("out.txt"));
    EXPECT_FALSE(result.ok) << c.expected_error_part;
    EXPECT_NE(std::string::npos, result.error.find(c.expected_error_part)) << result.error;
    EXPECT_EQ("old", read_file(dir.file("out.txt"))) << c.expected_error_part;
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
    EXPECT_EQ(c.input != "<none>" ? 2 : 1, files) << "a temporary file was left behind";
  }
}

TEST(ConvertFile, UnwritableOutputFails) {
  TempDir dir;
  write_file(dir.file("in.txt"), "text");
  ConversionResult result =
      convert_file("UTF-8", "CP1250", dir.file("in.txt"), dir.file("missing/out.txt"));
  EXPECT_FALSE(result.ok);
  EXPECT_NE(std::string::npos, result.error.find("cannot write")) << result.error;
  // A directory in the place of the output file is not replaced.
  std::filesystem::create_directory(dir.file("taken"));
  write_file(dir.file("taken/keep"), "x");
  result = convert_file("UTF-8", "CP1250", dir.file("in.txt"), dir.file("taken"));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ("x", read_file(dir.file("taken/keep")));
}

TEST(ConvertFile, CharactersSplitAcrossReadChunksConvert) {
  // One ASCII byte first, so the two-byte characters straddle every chunk
  // boundary; the invalid byte lies far past the first chunk.
  std::string utf8 = "a";
  std::string cp1250 = "a";
  for (int i = 0; i < 200000; ++i) {
    utf8 += "\xC4\x8D";
    cp1250 += '\xE8';
  }
  TempDir dir;
  write_file(dir.file("in.txt"), utf8);
  ConversionResult result = convert_file("UTF-8", "CP1250", dir.file("in.txt"), dir.file("out.txt"));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(read_file(dir.file("out.txt")) == cp1250);

  write_file(dir.file("in.txt"), utf8 + "\x80");
  result = convert_file("UTF-8", "CP1250", dir.file("in.txt"), dir.file("out.txt"));
  EXPECT_NE(std::string::npos, result.error.find("byte offset 400001 ")) << result.error;
}

TEST(ConvertFile, InputMayBeReplacedByItsConversion) {
  TempDir dir;
  write_file(dir.file("doc.txt"), "\x8A");
  ASSERT_TRUE(convert_file("CP1250", "UTF-8", dir.file("doc.txt"), dir.file("doc.txt")).ok);
  EXPECT_EQ("\xC5\xA0", read_file(dir.file("doc.txt")));
}

}  // namespace
}  // namespace kestram

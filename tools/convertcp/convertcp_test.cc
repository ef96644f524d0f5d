// What convertcp.exe does with its files; the conversions themselves are
// rows of tests/examples/convertcp.txt, run on either back end.
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

// A missing input is named; the failure leaves the old output.
TEST(ConvertFile, MissingInputFails) {
  TempDir dir;
  write_file(dir.file("out.txt"), "old");
  ConversionResult result = convert_file("UTF-8", "CP1250", dir.file("in.txt"), dir.file("out.txt"));
  EXPECT_FALSE(result.ok);
  EXPECT_NE(std::string::npos, result.error.find("cannot read ")) << result.error;
  EXPECT_EQ("old", read_file(dir.file("out.txt")));
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

TEST(ConvertFile, InputMayBeReplacedByItsConversion) {
  TempDir dir;
  write_file(dir.file("doc.txt"), "\x8A");
  ASSERT_TRUE(convert_file("CP1250", "UTF-8", dir.file("doc.txt"), dir.file("doc.txt")).ok);
  EXPECT_EQ("\xC5\xA0", read_file(dir.file("doc.txt")));
}

}  // namespace
}  // namespace kestram

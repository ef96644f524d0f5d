#include "platform/file_copy.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace kestram {
namespace {

TEST(FileCopyPosix, FilesThatReportNoSizeAreCopiedWhole) {
  // /proc files claim a size of 0 but have contents; a kernel copy that
  // trusts the size copies nothing.
  testing::TempDir dir;
  std::FILE* in = std::fopen("/proc/self/status", "rb");
  ASSERT_NE(nullptr, in);
  std::FILE* out = std::fopen(dir.file("status").c_str(), "wb");
  ASSERT_NE(nullptr, out);
  EXPECT_EQ(0, copy_file_data(in, out));
  std::fclose(in);
  std::fclose(out);
  const std::string copied = testing::read_file(dir.file("status"));
  EXPECT_NE(std::string::npos, copied.find("Name:")) << copied;
}

TEST(FileCopyPosix, FailureIsReported) {
  testing::TempDir dir;
  testing::write_file(dir.file("from"), "text");
  std::FILE* in = std::fopen(dir.file("from").c_str(), "rb");
  ASSERT_NE(nullptr, in);
  // A file opened for reading only cannot take the copy.
  testing::write_file(dir.file("to"), "");
  std::FILE* out = std::fopen(dir.file("to").c_str(), "rb");
  ASSERT_NE(nullptr, out);
  EXPECT_NE(0, copy_file_data(in, out));
  std::fclose(in);
  std::fclose(out);
}

}  // namespace
}  // namespace kestram

#include "platform/file_copy.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/temp_dir.h"

namespace kestram {
namespace {

// Copies `from` to `to` by name; the result of copy_file_data.
int copy_by_name(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = std::fopen(to.c_str(), "wb");
  EXPECT_NE(nullptr, in);
  EXPECT_NE(nullptr, out);
  if (in == nullptr || out == nullptr) return -1;
  const int error = copy_file_data(in, out);
  std::fclose(in);
  EXPECT_EQ(0, std::fclose(out));
  return error;
}

TEST(FileCopy, CopiesEveryByte) {
  testing::TempDir dir;
  std::mt19937 random(9);
  std::string large(3'000'001, '\0');
  for (char& c : large) c = static_cast<char>(random());
  for (const std::string& bytes : {std::string(), std::string("a\0\r\nb", 5), large}) {
    testing::write_file(dir.file("from"), bytes);
    ASSERT_EQ(0, copy_by_name(dir.file("from"), dir.file("to")));
    EXPECT_EQ(bytes, testing::read_file(dir.file("to"))) << bytes.size();
  }
}

}  // namespace
}  // namespace kestram

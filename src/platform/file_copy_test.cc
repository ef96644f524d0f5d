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

TEST(FileCopy, ReplaceFileLeavesOnlyTheNewFileUnderTheName) {
  testing::TempDir dir;
  const std::filesystem::path finished = dir.file("new.tmp");
  const std::filesystem::path target = dir.file("target");
  std::error_code ec;
  // No old file, an old file, and an old file that is a link: each time the
  // name ends up holding the new text and the temporary name is gone.
  testing::write_file(dir.file("elsewhere"), "linked");
  for (int old_kind = 0; old_kind < 3; ++old_kind) {
    std::filesystem::remove(target, ec);
    if (old_kind == 1) testing::write_file(target.string(), "old");
    if (old_kind == 2) std::filesystem::create_symlink(dir.file("elsewhere"), target, ec);
    const std::string text = "new " + std::to_string(old_kind);
    testing::write_file(finished.string(), text);
    replace_file(finished, target, ec);
    EXPECT_FALSE(ec) << old_kind << ": " << ec.message();
    EXPECT_EQ(text, testing::read_file(target.string())) << old_kind;
    EXPECT_FALSE(std::filesystem::exists(finished)) << old_kind;
  }
  EXPECT_EQ("linked", testing::read_file(dir.file("elsewhere")));

  // A directory under the name is neither replaced nor removed.
  std::filesystem::remove(target, ec);
  std::filesystem::create_directory(target);
  testing::write_file(finished.string(), "new");
  replace_file(finished, target, ec);
  EXPECT_TRUE(ec);
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ("new", testing::read_file(finished.string()));
}

}  // namespace
}  // namespace kestram

#include "platform/file_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

// Copies `from` onto a new file `to`; the result of copy_file_data.
int copy_by_name(const std::string& from, const std::string& to, const char* to_mode = "wb") {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = std::fopen(to.c_str(), to_mode);
  if (in == nullptr || out == nullptr) return -1;
  const int error = copy_file_data(in, out);
  std::fclose(in);
  std::fclose(out);
  return error;
}

// Every byte arrives, also from a file that claims a size of 0 but has
// contents (a kernel copy that trusted the size would copy nothing); a file
// opened for reading only cannot take the copy.
TEST(FileCopy, CopiesEveryByteAndReportsAFailure) {
  testing::TempDir dir;
  std::mt19937 random(9);
  std::string large(3'000'001, '\0');
  for (char& c : large) c = static_cast<char>(random());
  for (const std::string& bytes : {std::string(), std::string("a\0\r\nb", 5), large}) {
    testing::write_file(dir.file("from"), bytes);
    ASSERT_EQ(0, copy_by_name(dir.file("from"), dir.file("to")));
    EXPECT_TRUE(bytes == testing::read_file(dir.file("to"))) << bytes.size();
  }
  if (fs::exists("/proc/self/status")) {
    ASSERT_EQ(0, copy_by_name("/proc/self/status", dir.file("status")));
    EXPECT_NE(std::string::npos, testing::read_file(dir.file("status")).find("Name:"));
  }
  EXPECT_NE(0, copy_by_name(dir.file("from"), dir.file("to"), "rb"));
}

// No old file, an old file, and an old file that is a link: each time the
// name ends up holding the new text (the link's target is left alone) and the
// temporary name is gone. A directory under the name stays.
TEST(FileCopy, ReplaceFileLeavesOnlyTheNewFileUnderTheName) {
  testing::TempDir dir;
  const fs::path finished = dir.file("new.tmp");
  const fs::path target = dir.file("target");
  std::error_code ec;
  testing::write_file(dir.file("elsewhere"), "linked");
  for (int old_kind = 0; old_kind < 3; ++old_kind) {
    fs::remove(target, ec);
    if (old_kind == 1) testing::write_file(target.string(), "old");
    if (old_kind == 2) fs::create_symlink(dir.file("elsewhere"), target, ec);
    testing::write_file(finished.string(), "new " + std::to_string(old_kind));
    replace_file(finished, target, ec);
    EXPECT_FALSE(ec) << old_kind << ": " << ec.message();
    EXPECT_EQ("new " + std::to_string(old_kind), testing::read_file(target.string()));
    EXPECT_FALSE(fs::exists(finished)) << old_kind;
  }
  EXPECT_EQ("linked", testing::read_file(dir.file("elsewhere")));
  fs::remove(target, ec);
  fs::create_directory(target);
  testing::write_file(finished.string(), "new");
  replace_file(finished, target, ec);
  EXPECT_TRUE(ec);
  EXPECT_TRUE(fs::is_directory(target));
}

}  // namespace
}  // namespace kestram

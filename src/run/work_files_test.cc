#include "run/work_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

TEST(WorkFiles, CountNonblankLines) {
  struct Case {
    std::string bytes;
    std::uint64_t expected;
  };
  testing::TempDir dir;
  for (const Case& c : std::initializer_list<Case>{
           {"", 0},
           {"   \r\n \r\n\r\n", 0},  // blanks only
           {"\r\n---------- CHECK_01.TXT\r\na.exe\r\n", 2},
           {"\t\r\n", 1},  // a tab is no blank
           {"a\rb\nc", 3},
           {std::string("\0", 1), 1},
           {"  x  ", 1}}) {
    testing::write_file(dir.file("check_02.txt"), c.bytes);
    EXPECT_EQ(c.expected, count_nonblank_lines(dir.file("check_02.txt"))) << c.bytes;
  }
  EXPECT_EQ(0u, count_nonblank_lines(dir.file("missing.txt")));
  fs::create_directory(dir.path() / "a_dir.txt");
  EXPECT_EQ(0u, count_nonblank_lines(dir.file("a_dir.txt")));
}

TEST(WorkFiles, LastListedName) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  testing::TempDir dir;
  for (const Case& c : std::initializer_list<Case>{
           {"", ""},
           {"lexpage_a.exe\r\nLEXPAGE_B.EXE   \r\n", "lexpage_b.exe"},
           {"  Lexpage_\xC3\x89.EXE  ", "lexpage_\xC3\x89.exe"},  // only ASCII letters change
           {"lexpage_a.exe\r\n\r\n", ""},                          // the last line is the empty one
           {"lexpage_a.exe\r\n \t ", "\t"}}) {
    testing::write_file(dir.file("exe_files.txt"), c.bytes);
    EXPECT_EQ(c.expected, last_listed_name(dir.file("exe_files.txt"))) << c.bytes;
  }
  EXPECT_EQ("", last_listed_name(dir.file("missing.txt")));
}

}  // namespace
}  // namespace kestram

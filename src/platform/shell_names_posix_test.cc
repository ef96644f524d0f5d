#include "platform/shell_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

TEST(ShellNames, WildcardsMatchLikeTheInterpreter) {
  struct Case {
    const char* pattern;
    const char* name;
    bool expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"*.txt", "Notes.TXT", true},
           {"*.txt", "notes.txt.bak", false},
           {"*.txt", "txt", false},
           {"*.", "lexpage", true},  // no extension
           {"*.", ".", true},
           {"*.", "..", true},
           {"*.", "a.txt", false},
           {"*.*", "lexpage", true},
           {"*.*", "a.b.c", true},
           {"*", "anything.at.all", true},
           {"lexpage_*.exe", "LEXPAGE_B.EXE", true},
           {"lexpage_*.exe", "lexpage.exe", false},
           {"lexpage_*.exe", "lexpage_.exe", true},
           {"check_*.txt", "check_01.txt", true},
           {"check_*.txt", "xcheck_01.txt", false},
           {"f_*.txt", "F_notes.txt", true},
           {"f_?.txt", "f_1.txt", true},
           {"f_?.txt", "f_12.txt", false},
           {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
           {"report.txt", "REPORT.TXT", true},
           {"\xC3\xA9*.txt", "\xC3\xA9t\xC3\xA9.txt", true},
       })
    EXPECT_EQ(c.expected, matches_wildcard(c.pattern, c.name)) << c.pattern << " " << c.name;
}

TEST(ShellNames, ListingOrderIgnoresCase) {
  std::vector<std::string> names = {"b.txt", "A.txt", "a.txt", "_x", "C", "\xC3\xA9", "a"};
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return listing_order_less(a, b);
  });
  // "_" sorts before the letters, as it does in the interpreter's listings.
  EXPECT_EQ((std::vector<std::string>{"_x", "a", "A.txt", "a.txt", "b.txt", "C", "\xC3\xA9"}), names);
}

TEST(ShellNames, NamesResolveWithoutRegardToCase) {
  testing::TempDir dir;
  fs::create_directories(dir.path() / "LexPage" / "htm_in");
  testing::write_file(dir.file("LEXPAGE_B.EXE"), "x");
  testing::write_file(dir.file("lower.txt"), "x");
  testing::write_file(dir.file("Lower.txt"), "x");
  testing::write_file(dir.file("back\\slash.txt"), "x");
  struct Case {
    const char* written;
    const char* expected;  // relative to the directory
    bool exists;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"lexpage_b.exe", "LEXPAGE_B.EXE", true},
           {"lower.txt", "lower.txt", true},  // an exact match wins
           {"LOWER.TXT", "Lower.txt", true},  // else the first in byte order
           {"lexpage\\htm_in\\", "LexPage/htm_in", true},
           {"LEXPAGE/HTM_IN/page.htm", "LexPage/htm_in/page.htm", false},
           {"missing\\x.txt", "missing/x.txt", false},
           {"back\\slash.txt", "back\\slash.txt", true},
           // The working directory is the root; nothing leads out of it.
           {"\\lower.txt", "lower.txt", true},
           {"/LOWER.TXT", "Lower.txt", true},
           {"..\\..\\lower.txt", "lower.txt", true},
           {"lexpage\\..\\..\\x", "x", false},
           {"lexpage\\htm_in\\..\\.\\y", "LexPage/y", false},
           {"missing\\..\\LOWER.TXT", "Lower.txt", true},
           {"missing\\sub\\..\\..\\lower.txt", "lower.txt", true},
       }) {
    const ResolvedName resolved = resolve_name(dir.path(), c.written);
    EXPECT_EQ((dir.path() / c.expected).lexically_normal(), resolved.path.lexically_normal()) << c.written;
    EXPECT_EQ(c.exists, resolved.exists) << c.written;
  }
  EXPECT_TRUE(resolve_name(dir.path(), "lexpage\\").trailing_separator);
  EXPECT_FALSE(resolve_name(dir.path(), std::string("a\0b", 3)).valid);
}

}  // namespace
}  // namespace kestram

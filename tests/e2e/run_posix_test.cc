// End-to-end runs of the installed program with keys on standard input.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::run_kestram;
using testing::split_lines;
using testing::write_file;

class Run : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(dir_.path().string()); }
  std::string file(const std::string& name) const { return dir_.file(name); }
  bool exists(const std::string& name) const { return fs::exists(dir_.path() / name); }
  testing::ProgramResult run(const std::string& keys) { return testing::run_kestram_ok(dir_.path().string(), keys); }
  testing::ProgramResult run_on(const std::string& name, const std::string& answers) {
    return testing::run_kestram_on(dir_.path().string(), name, answers);
  }
  testing::TempDir dir_;
};

TEST_F(Run, BannerTermsAndRefusal) {
  write_file(file("f_notes.txt"), "reserved\n");
  testing::ProgramResult result = run("x3\x1b[A2");
  std::vector<std::string> lines = split_lines(result.output);
  ASSERT_GE(lines.size(), 4u) << result.output;
  EXPECT_EQ(dir_.path().string() + "/kestram", lines[0]);
  // Ignored keys print nothing: the choices stand once, at the very end.
  EXPECT_EQ((std::vector<std::string>{"", "<1> yes, continue", "<2> no, end"}),
            std::vector<std::string>(lines.end() - 3, lines.end()));
  // The clean-up ran before the banner; nothing else was made.
  EXPECT_FALSE(exists("f_notes.txt"));
  EXPECT_FALSE(exists("f_01.txt"));
  EXPECT_FALSE(exists("check_01.txt"));
}

TEST_F(Run, ChecksPassThenOutOfRangeEnds) {
  testing::ProgramResult result = run("11" "0\n");
  const std::string& out = result.output;
  EXPECT_NE(std::string::npos,
            out.find("select file with line number = ? line number is out of range\r\n\r\n"
                     "<...> any key for continue, end\r\n"))
      << out;
}

TEST_F(Run, MissingProgramsStopAtTheirCheck) {
  struct Case {
    const char* removed;
    const char* added;
    std::vector<std::string> failure;
  };
  for (const Case& c : std::vector<Case>{
           {"convertcp.exe", nullptr,
            {"---------------------", "Checking for convertcp.exe!", "Check the contents of the kestram.7z file.",
             "<1> = continue and end"}},
           {"lexpage_1_0.exe", "lexpage.exe",
            {"-------------------------", "Checking for lexpage*.exe", "Check the contents of the kestram.7z file.",
             "<1> = continue and end"}}}) {
    testing::TempDir dir;
    testing::install_into(dir.path().string());
    fs::remove(dir.path() / c.removed);
    if (c.added) write_file(dir.file(c.added), "not the indexer\n");
    // Keys other than "1" are ignored at the stop.
    testing::ProgramResult result = run_kestram(dir.path().string(), "11" "2\r" "1" "5\n");
    EXPECT_EQ(0, result.exit_status);
    std::vector<std::string> lines = split_lines(result.output);
    ASSERT_GE(lines.size(), c.failure.size());
    EXPECT_EQ(c.failure, std::vector<std::string>(lines.end() - 4, lines.end())) << result.output;
    EXPECT_EQ(std::string::npos, result.output.find("select file")) << c.removed;
  }
}

// The sample document's whole run, console and files, byte for byte; the
// work files stay, and the input and its work copy are alike.
TEST_F(Run, SampleRunMatchesItsGoldenFiles) {
  const fs::path golden = fs::path(KESTRAM_SOURCE_DIR) / "tests/golden/sample_run";
  const std::string original = read_file(file("Report.txt"));
  testing::ProgramResult result = run_on("Report.txt", "\n" "y\n" "\n" "2");
  for (const char* name : {"out.list", "check_01.txt", "check_02.txt", "out_null.txt", "exe_files.txt", "dir_a_01.txt"})
    EXPECT_TRUE(exists(name)) << name;
  EXPECT_FALSE(exists("lexpage"));
  EXPECT_EQ(original, read_file(file("Report.txt")));
  EXPECT_EQ(original, read_file(file("sour_in.txt")));
  std::string console = result.output;
  console.replace(0, console.find("\r\n"), "<started path>");
  EXPECT_EQ(read_file((golden / "console.txt").string()), console);
  for (const char* name :
       {"Report_chapters.txt", "Report_indent.txt", "Report_indent.htm", "Report_com_ndx.txt", "Report_table.txt"})
    EXPECT_EQ(read_file((golden / name).string()), read_file(file(name))) << name;
}

TEST_F(Run, HandOffStartsTheIndexerInItsOwnDirectory) {
  fs::create_directories(dir_.path() / "lexpage/htm_in");
  fs::create_directories(dir_.path() / "lexpage/htm_out");
  write_file(file("lexpage/htm_in/old_indent.htm"), "old page\n");
  write_file(file("lexpage/htm_out/keep.txt"), "kept\n");
  // Of two indexing programs the one whose name sorts last is taken, in lower
  // case, although it is written in capitals.
  fs::copy_file(file("lexpage_1_0.exe"), file("LEXPAGE_2_0.EXE"));
  testing::ProgramResult result = run_on("Report.txt", "\n" "\n" "\n" "1" "x");
  const std::string& out = result.output;
  EXPECT_NE(std::string::npos, out.find("\r\nlexpage_2_0.exe\r\n")) << out;
  EXPECT_NE(std::string::npos, out.find("view files: page*.htm, index*.htm, i_*.htm, s_*.htm\r\n")) << out;

  std::vector<std::string> page_dir;
  for (const auto& entry : fs::directory_iterator(dir_.path() / "lexpage/htm_in"))
    page_dir.push_back(entry.path().filename().string());
  EXPECT_EQ(std::vector<std::string>{"Report_indent.htm"}, page_dir);
  EXPECT_EQ(read_file(file("Report_indent.htm")), read_file(file("lexpage/htm_in/Report_indent.htm")));
  EXPECT_TRUE(exists("lexpage/wget.exe"));
  EXPECT_TRUE(exists("lexpage/lexpage_2_0.exe"));
  EXPECT_FALSE(exists("lexpage/lexpage_1_0.exe"));
  EXPECT_EQ("kept\n", read_file(file("lexpage/htm_out/keep.txt")));
  // The indexer runs on by itself; wait for its page.
  for (int i = 0; i < 100 && !exists("lexpage/htm_out/index1.htm"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(exists("lexpage/htm_out/page1.htm"));
}

}  // namespace
}  // namespace kestram

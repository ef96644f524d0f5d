// The built program, run through the shell in a directory of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace kestram::lexpage {
namespace {

namespace fs = std::filesystem;
using kestram::testing::ShellOutcome;
using kestram::testing::TempDir;
using kestram::testing::write_file;

ShellOutcome run_lexpage(const TempDir& dir) {
  return kestram::testing::run_in_shell(dir, std::string("'") + LEXPAGE_EXE + "'");
}

TEST(LexpageProgram, ExitStatusAndMessage) {
  TempDir dir;
  fs::create_directories(dir.path() / "htm_in");
  ShellOutcome empty = run_lexpage(dir);
  EXPECT_EQ(1, empty.status);
  EXPECT_EQ("lexpage: the folder htm_in is empty: there is no page to index\n", empty.err);

  write_file(dir.file("htm_in/Report_indent.htm"), "One <b>two</b> three &amp; four\r\n");
  ShellOutcome done = run_lexpage(dir);
  EXPECT_EQ(0, done.status) << done.err;
  EXPECT_EQ("lexpage: indexed htm_in/Report_indent.htm: 4 words, 4 different words, 0 chapters, "
            "0 keywords; see htm_out/index1.htm\n",
            done.out);
  EXPECT_TRUE(fs::exists(dir.path() / "htm_out/index1.htm"));
  EXPECT_FALSE(fs::exists(dir.path() / "htm_out/error.txt"));
}

}  // namespace
}  // namespace kestram::lexpage

// The built program, run through the shell.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

using testing::read_file;
using testing::ShellOutcome;
using testing::TempDir;
using testing::write_file;

ShellOutcome run_convertcp(const TempDir& dir, const std::string& arguments) {
  return testing::run_in_shell(dir, std::string("'") + CONVERTCP_EXE + "' " + arguments);
}

TEST(ConvertcpProgram, ExitStatusAndMessages) {
  TempDir dir;
  write_file(dir.file("in.txt"), "\x8A");
  ShellOutcome usage = run_convertcp(dir, "");
  EXPECT_EQ(2, usage.status);
  EXPECT_EQ(0u, usage.out.find("usage: convertcp.exe FROM TO INFILE OUTFILE"));
  EXPECT_EQ(2, run_convertcp(dir, "CP1250 UTF-8 in.txt").status);

  ShellOutcome done = run_convertcp(dir, "CP1250 UTF-8 in.txt out.txt");
  EXPECT_EQ(0, done.status);
  EXPECT_EQ("", done.out + done.err);
  EXPECT_EQ("\xC5\xA0", read_file(dir.file("out.txt")));

  ShellOutcome failed = run_convertcp(dir, "UTF-8 CP1250 in.txt out.txt");
  EXPECT_EQ(1, failed.status);
  EXPECT_EQ(0u, failed.err.find("convertcp.exe: the bytes at byte offset 0 "));
  EXPECT_EQ(1, std::count(failed.err.begin(), failed.err.end(), '\n')) << failed.err;
}

}  // namespace
}  // namespace kestram

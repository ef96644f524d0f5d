#include "platform/shell.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/recording_console.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

// The process shell works in the directory that was current when it was made,
// not in one that becomes current later.
TEST(ProcessShell, WorksInTheCurrentDirectoryOfItsMaking) {
  testing::TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  testing::RecordingConsole console;
  std::unique_ptr<Shell> shell = make_process_shell(console);
  std::filesystem::current_path(before);
  testing::write_file(dir.file("here.txt"), "");
  shell->run("dir /b *.txt");
  shell->run("md made");
  EXPECT_EQ("here.txt\r\n", console.transcript);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "made"));
  EXPECT_FALSE(std::filesystem::exists(before / "made"));
}

}  // namespace
}  // namespace kestram

// The real command interpreter, run in a scratch directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/shell.h"
#include "run/command_line.h"
#include "support/recording_console.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

// Runs the commands of a test in a scratch directory of its own.
class InterpreterShell : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = fs::current_path();
    fs::current_path(dir_.path());
    shell_ = make_process_shell(console_);
  }
  void TearDown() override { fs::current_path(saved_); }
  std::string file(const std::string& name) const { return dir_.file(name); }

  testing::TempDir dir_;
  fs::path saved_;
  testing::RecordingConsole console_;
  std::unique_ptr<Shell> shell_;
};

// Redirections and pipes work, and what the console holds is written before
// the command runs.
TEST_F(InterpreterShell, RedirectionsPipesAndHeldOutput) {
  console_.write("ours ");
  shell_->run("echo one> out.txt");
  EXPECT_EQ("ours ", console_.flushed);
  shell_->run("echo two>> out.txt");
  shell_->run("type out.txt | find \"two\" > found.txt");
  EXPECT_EQ("one\r\ntwo\r\n", read_file(file("out.txt")));
  EXPECT_EQ("two\r\n", read_file(file("found.txt")));
}

// Copy overwrites without asking, and a quoted name stays one word, also one
// that "dir /b" listed with bytes outside ASCII.
TEST_F(InterpreterShell, CopyOverwritesAndQuotedNamesStayOneWord) {
  const fs::path listed = fs::path(dir_.path()) / fs::path(L"\u00dcbersicht \u00e9t\u00e9.txt");
  write_file(listed.string(), "listed");
  shell_->run("dir /b *.txt > listing.lst");
  std::string name = read_file(file("listing.lst"));
  name.resize(name.find("\r\n"));
  write_file(file("sour_in.txt"), "left from an earlier run\r\n");
  for (const std::string& source : {std::string("two words.txt"), std::string("a&b.txt"),
                                    std::string("semi;colon.txt"), std::string("(round).txt"), name}) {
    if (source != name) write_file(file(source), source);
    shell_->run("copy " + kestram::quoted(source) + " sour_in.txt > out.list");
    EXPECT_EQ(source == name ? "listed" : source, read_file(file("sour_in.txt"))) << source;
  }
}

TEST_F(InterpreterShell, CommandWithNulIsNotRun) {
  shell_->run(std::string("echo x> first.txt\0& echo y> second.txt", 38));
  EXPECT_FALSE(fs::exists(file("first.txt")));
  EXPECT_FALSE(fs::exists(file("second.txt")));
  EXPECT_NE(std::string::npos, console_.flushed.find("NUL")) << console_.flushed;
}

}  // namespace
}  // namespace kestram

// The real command interpreter, run in a scratch directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/shell.h"
#include "run/command_line.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

// Records what is written, and when it is flushed: the text that stood
// written before each flush.
class RecordingConsole : public Console {
 public:
  void write(std::string_view text) override { held_ += text; }
  void flush() override {
    flushed_ += held_;
    held_.clear();
  }
  std::optional<std::string> read_key() override { return std::nullopt; }
  std::optional<std::string> read_line() override { return std::nullopt; }
  int width() const override { return 80; }

  const std::string& flushed() const { return flushed_; }

 private:
  std::string held_;
  std::string flushed_;
};

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
  RecordingConsole console_;
  std::unique_ptr<Shell> shell_;
};

TEST_F(InterpreterShell, RedirectionsAndPipesWork) {
  shell_->run("echo one> out.txt");
  shell_->run("echo two>> out.txt");
  shell_->run("type out.txt | find \"two\" > found.txt");
  EXPECT_EQ("one\r\ntwo\r\n", read_file(file("out.txt")));
  EXPECT_EQ("two\r\n", read_file(file("found.txt")));
}

TEST_F(InterpreterShell, HeldConsoleOutputIsWrittenBeforeEachCommand) {
  console_.write("ours ");
  shell_->run("echo theirs> out.txt");
  EXPECT_EQ("ours ", console_.flushed());
}

TEST_F(InterpreterShell, CopyOverwritesWithoutAsking) {
  write_file(file("Report.txt"), "new text\r\n");
  write_file(file("sour_in.txt"), "left from an earlier run\r\n");
  shell_->run("copy Report.txt sour_in.txt > out.list");
  EXPECT_EQ("new text\r\n", read_file(file("sour_in.txt")));
  shell_->run("copy " + kestram::quoted("Report.txt") + " sour_in.txt > out.list");
  EXPECT_EQ("new text\r\n", read_file(file("sour_in.txt")));
}

TEST_F(InterpreterShell, QuotedNamesStayOneWord) {
  for (const char* name : {"two words.txt", "a&b.txt", "semi;colon.txt", "(round).txt"}) {
    write_file(file(name), name);
    shell_->run("copy /y " + kestram::quoted(name) + " copied.txt > out.list");
    EXPECT_EQ(name, read_file(file("copied.txt"))) << name;
    fs::remove(file("copied.txt"));
  }
}

TEST_F(InterpreterShell, NameListedByDirComesBackUnchanged) {
  // A name outside ASCII, as "dir /b" writes it into a work file.
  const fs::path name = fs::path(dir_.path()) / fs::path(L"\u00dcbersicht \u00e9t\u00e9.txt");
  write_file(name.string(), "content\r\n");
  shell_->run("dir /b *.txt > listing.lst");
  std::string listed = read_file(file("listing.lst"));
  ASSERT_GE(listed.size(), 2u);
  listed.resize(listed.find("\r\n"));
  shell_->run("copy /y " + kestram::quoted(listed) + " copied.txt > out.list");
  EXPECT_EQ("content\r\n", read_file(file("copied.txt"))) << listed;
}

TEST_F(InterpreterShell, CommandWithNulIsNotRun) {
  shell_->run(std::string("echo x> first.txt\0& echo y> second.txt", 38));
  EXPECT_FALSE(fs::exists(file("first.txt")));
  EXPECT_FALSE(fs::exists(file("second.txt")));
  EXPECT_NE(std::string::npos, console_.flushed().find("NUL")) << console_.flushed();
}

}  // namespace
}  // namespace kestram

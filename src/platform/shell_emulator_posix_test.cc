// What the interpreter's commands are is shown by tests/examples/shell.txt;
// these cover what an example cannot give: links, permissions, and random
// lines of the commands' own words.
#include "platform/shell_emulator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/fake_launcher.h"
#include "support/recording_console.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

// Whatever stands under the target name (a longer or shorter file, a
// read-only one, one with a second name), the copy holds exactly the source
// with the source's permissions, a second name of the old file keeps the old
// text, no temporary file is left, and a second name of the source is the
// source itself.
TEST(ShellEmulatorCopy, OverAnExistingFileHoldsExactlyTheSource) {
  testing::TempDir dir;
  testing::RecordingConsole console;
  testing::FakeLauncher launcher;
  ShellEmulator shell(dir.path(), console, launcher);
  write_file(dir.file("wget.exe"), "program");
  fs::permissions(dir.path() / "wget.exe", fs::perms::owner_all);
  struct Case {
    std::string old_text;
    bool read_only;
    bool second_name;
  };
  for (const Case& c : {Case{std::string(100000, 'o'), false, false}, Case{"o", false, false},
                        Case{std::string(100, 'o'), true, false}, Case{std::string(100, 'o'), false, true}}) {
    std::error_code ec;
    fs::remove(dir.path() / "other.exe", ec);
    fs::remove(dir.path() / "copy.exe", ec);
    write_file(dir.file("copy.exe"), c.old_text);
    if (c.read_only) fs::permissions(dir.path() / "copy.exe", fs::perms::owner_read);
    if (c.second_name) fs::create_hard_link(dir.path() / "copy.exe", dir.path() / "other.exe");
    shell.run("copy /y wget.exe copy.exe > out.list");
    EXPECT_EQ("        1 file(s) copied.\r\n", read_file(dir.file("out.list"))) << c.old_text.size();
    EXPECT_EQ("program", read_file(dir.file("copy.exe"))) << c.old_text.size();
    EXPECT_EQ(fs::perms::owner_all, fs::status(dir.path() / "copy.exe").permissions() & fs::perms::all);
    if (c.second_name) {
      EXPECT_EQ(c.old_text, read_file(dir.file("other.exe")));
    }
  }
  fs::create_hard_link(dir.path() / "wget.exe", dir.path() / "hard.exe");
  shell.run("copy hard.exe wget.exe > out.list");
  EXPECT_EQ("The file cannot be copied onto itself.\r\n", console.transcript);
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file();
  EXPECT_EQ(5u, files) << "a temporary file was left behind";
}

// Random lines made of the commands' own vocabulary: whatever they do, the
// interpreter answers every one and stays inside its directory.
TEST(ShellEmulatorConfinement, RandomLinesNeverEscapeOrCrash) {
  testing::TempDir outer;
  const fs::path work = outer.path() / "work";
  fs::create_directories(work / "lexpage" / "htm_in");
  write_file(outer.file("sentinel.txt"), "outside");
  for (const char* name : {"a.txt", "B.TXT", "c.exe", "lexpage\\x.htm"})
    write_file((work / name).string(), "line\r\nLINE two\r\n");
  testing::RecordingConsole console;
  testing::FakeLauncher launcher;
  ShellEmulator shell(work, console, launcher);
  const std::vector<std::string> vocabulary = {
      "dir", "del", "copy", "md", "find", "findstr", "sort", "for", "%i", "in", "(*.txt)", "do", "start", "cmd",
      "/c", "/b", "/o", "/q", "/y", "/i", "/v", "/D", "*.*", "*.", "a.txt", "B.txt", "lexpage", "lexpage\\htm_in\\",
      "..\\", "\\", "\"a b\"", "\"\"", ">", ">>", "<", "|", "x.out", "\"line\"", "^", "\"", "nul", "(", ")"};
  std::mt19937 random(11);
  for (int round = 0; round < 600; ++round) {
    std::string line;
    for (int i = 1 + static_cast<int>(random() % 8); i > 0; --i) line += vocabulary[random() % vocabulary.size()] + " ";
    shell.run(line);
  }
  EXPECT_EQ("outside", read_file(outer.file("sentinel.txt")));
  std::size_t outside = 0;
  for (const auto& entry : fs::directory_iterator(outer.path())) outside += entry.path() != work;
  EXPECT_EQ(1u, outside);
}

}  // namespace
}  // namespace kestram

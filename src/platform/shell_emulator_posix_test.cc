#include "platform/shell_emulator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/fake_launcher.h"
#include "support/program_run.h"
#include "support/scripted_console.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

class ShellEmulatorTest : public ::testing::Test {
 protected:
  void put(const std::string& name, const std::string& bytes = "x\r\n") { testing::write_file(dir_.file(name), bytes); }
  std::string get(const std::string& name) const { return testing::read_file(dir_.file(name)); }
  bool exists(const std::string& name) const { return fs::exists(fs::symlink_status(dir_.path() / name)); }
  void make_dir(const std::string& name) { fs::create_directories(dir_.path() / name); }
  // Runs the line and returns what it printed to the console.
  std::string run(const std::string& line) {
    shell_.run(line);
    return console_.take_transcript();
  }

  testing::TempDir dir_;
  testing::ScriptedConsole console_;
  testing::FakeLauncher launcher_;
  ShellEmulator shell_{dir_.path(), console_, launcher_};
};

using Lines = std::vector<std::string>;
using testing::split_lines;

TEST_F(ShellEmulatorTest, BareListingsMatchPatternsWithoutRegardToCase) {
  for (const char* name : {"Report.txt", "notes.TXT", "b_indent.txt", "check_01.txt", "convertcp.exe",
                           "LEXPAGE_B.EXE", "lexpage_a.exe", "lexpage.exe", "README", "f_1.txt"})
    put(name);
  make_dir("lexpage");
  make_dir("folder.txt");  // listed like a file, as the interpreter does
  fs::create_symlink(dir_.path() / "gone", dir_.path() / "dangling.txt");
  struct Case {
    const char* line;
    Lines expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"dir /b *.txt", {"b_indent.txt", "check_01.txt", "dangling.txt", "f_1.txt", "folder.txt", "notes.TXT",
                             "Report.txt"}},
           {"dir /b /o  lexpage_*.exe", {"lexpage_a.exe", "LEXPAGE_B.EXE"}},
           {"dir /b *.exe", {"convertcp.exe", "lexpage.exe", "lexpage_a.exe", "LEXPAGE_B.EXE"}},
           {"dir /b *.", {"lexpage", "README"}},
           {"dir /b check_*.txt", {"check_01.txt"}},
           {"dir /b F_*.TXT", {"f_1.txt"}},
       }) {
    EXPECT_EQ("", run(std::string(c.line) + " > list.out")) << c.line;
    EXPECT_EQ(c.expected, split_lines(get("list.out"))) << c.line;
    EXPECT_EQ(0u, get("list.out").find(c.expected[0] + "\r\n")) << "lines end in CR LF";
  }
  EXPECT_EQ("File Not Found\r\n", run("dir /b *.xyz > list.out"));
  EXPECT_EQ("", get("list.out"));
}

TEST_F(ShellEmulatorTest, FullListingHasHeaderEntriesAndSummary) {
  put("big.exe", std::string(1234567, 'x'));
  put("small.txt", "abc");
  make_dir("lexpage");
  EXPECT_EQ("", run("dir > listing.txt"));
  const Lines lines = split_lines(get("listing.txt"));
  ASSERT_EQ(13u, lines.size()) << get("listing.txt");
  EXPECT_EQ(0u, lines[0].find(" Volume in drive "));
  EXPECT_EQ(0u, lines[1].find(" Volume Serial Number is "));
  EXPECT_EQ("", lines[2]);
  EXPECT_EQ(" Directory of " + dir_.path().lexically_normal().string(), lines[3]);
  EXPECT_EQ("", lines[4]);
  // Date and time ("MM/DD/YYYY  hh:mm AM"), then <DIR> or the size, then the name.
  EXPECT_EQ('/', lines[5][2]);
  EXPECT_EQ("    <DIR>          .", lines[5].substr(20));
  EXPECT_EQ("    <DIR>          ..", lines[6].substr(20));
  EXPECT_EQ("         1,234,567 big.exe", lines[7].substr(20));
  EXPECT_EQ("    <DIR>          lexpage", lines[8].substr(20));
  EXPECT_EQ("                 0 listing.txt", lines[9].substr(20)) << "emptied before dir runs";
  EXPECT_EQ("                 3 small.txt", lines[10].substr(20));
  EXPECT_EQ("               3 File(s)      1,234,570 bytes", lines[11]);
  EXPECT_EQ(0u, lines[12].find("               3 Dir(s) "));
  EXPECT_EQ(lines[12].size() - 11, lines[12].find(" bytes free"));

  // "*." lists the entries without an extension, "." and ".." included.
  run("dir *. > listing.txt");
  const Lines bare = split_lines(get("listing.txt"));
  ASSERT_EQ(10u, bare.size()) << get("listing.txt");
  EXPECT_EQ("    <DIR>          lexpage", bare[7].substr(20));
  EXPECT_EQ("               0 File(s)              0 bytes", bare[8]);
  EXPECT_EQ("", run("dir lexpage > listing.txt")) << "a directory lists its contents";
  EXPECT_NE(std::string::npos, get("listing.txt").find(" Directory of " + (dir_.path() / "lexpage").string() + "\r\n"));
  EXPECT_EQ("File Not Found\r\n", run("dir *.xyz > listing.txt"));
  EXPECT_EQ(5u, split_lines(get("listing.txt")).size()) << "the header, and no summary";
  EXPECT_EQ("The system cannot find the path specified.\r\n", run("dir nowhere\\*.txt"));
}

TEST_F(ShellEmulatorTest, RedirectionEmptiesOrAppendsBeforeTheCommandRuns) {
  put("list.txt", "old content that must go\r\n");
  run("dir /b > list.txt");
  EXPECT_EQ("list.txt\r\n", get("list.txt"));
  run("dir /b >> list.txt");
  EXPECT_EQ("list.txt\r\nlist.txt\r\n", get("list.txt"));
  run("dir /b>>LIST.TXT");  // an existing file is found whatever the case
  EXPECT_EQ(3u, split_lines(get("list.txt")).size());
  EXPECT_FALSE(exists("LIST.TXT"));
  // The interpreter empties the target first, even when it is the input.
  put("self.txt", "a\r\nb\r\n");
  run("find \"a\" self.txt > self.txt");
  EXPECT_EQ("\r\n---------- SELF.TXT\r\n", get("self.txt"));
  // Redirections are set up in the order written; the last one gets the output.
  run("dir /b > first.txt > second.txt");
  EXPECT_EQ("", get("first.txt"));
  EXPECT_NE("", get("second.txt"));
  // Output to nul disappears; a redirection that cannot be opened runs nothing.
  EXPECT_EQ("", run("dir /b > nul"));
  EXPECT_FALSE(exists("nul"));
  EXPECT_EQ("cannot write missing\\out.txt: No such file or directory\r\n", run("md made > missing\\out.txt"));
  EXPECT_FALSE(exists("made"));
  make_dir("a_dir");
  EXPECT_EQ("cannot write a_dir: Is a directory\r\n", run("dir > a_dir"));
  EXPECT_EQ("cannot write A_DIR: Is a directory\r\n", run("dir >> A_DIR"));  // as written
  // Unredirected output reaches the console with CR LF line ends.
  EXPECT_EQ("a_dir\r\n", run("dir /b a_*"));
}

TEST_F(ShellEmulatorTest, PipeFeedsTheNextCommandWithoutHeader) {
  for (const char* name : {"Report.txt", "Report_indent.txt", "OTHER_INDENT.TXT", "notes.txt", "prog.exe"})
    put(name);
  EXPECT_EQ("", run("dir /b *.txt | find /i /v \"indent\" > dir_a_01.txt"));
  // The listing's own file exists (empty) before dir runs, so it is listed.
  EXPECT_EQ("dir_a_01.txt\r\nnotes.txt\r\nReport.txt\r\n", get("dir_a_01.txt"));
  EXPECT_EQ("Report_indent.txt\r\n", run("dir /b | find \"indent\""));
  EXPECT_EQ("2\r\n", run("dir /b *.txt | find /c /i \"REPORT\""));
  EXPECT_EQ("", run("dir /b *.txt > kept.txt | find \"x\"")) << "a redirected stage pipes nothing";
  EXPECT_EQ("notes.txt\r\n", run("dir /b | findstr /i \"t.s\" | sort"));
  put("in.txt", "b\r\nA\r\n");
  EXPECT_EQ("A\r\nb\r\n", run("sort < in.txt"));
}

TEST_F(ShellEmulatorTest, FindPrintsHeaderThenMatchingLines) {
  const std::string nul_line("nul\0byte.exe", 12);
  put("check_01.txt", "a.EXE\r\nplain\r\n" + nul_line + "\r\n\xE9t\xE9.exe\n");
  EXPECT_EQ("", run("cmd /c find /i \".exe\" check_01.txt >  check_02.txt"));
  EXPECT_EQ("\r\n---------- CHECK_01.TXT\r\na.EXE\r\n" + nul_line + "\r\n\xE9t\xE9.exe\r\n", get("check_02.txt"));
  EXPECT_EQ("\r\n---------- CHECK_01.TXT\r\nplain\r\n", run("find /i /v \".exe\" check_01.txt"));
  EXPECT_EQ("\r\n---------- CHECK_01.TXT\r\na.EXE\r\n", run("find \".EXE\" check_01.txt")) << "case matters";
  EXPECT_EQ("\r\n---------- CHECK_01.TXT: 3\r\n", run("find /c /i \".exe\" check_01.txt"));
  EXPECT_EQ("\r\n---------- CHECK_01.TXT\r\n[2]plain\r\n", run("find /n \"plain\" check_01.txt"));
  EXPECT_EQ("\r\n---------- CHECK_01.TXT\r\n", run("find \"\" check_01.txt"));
  EXPECT_EQ("File not found - MISSING.TXT\r\n", run("find \"x\" missing.txt > out.txt"));
  EXPECT_EQ("", get("out.txt"));
  EXPECT_EQ("FIND: Parameter format not correct\r\n", run("find /i"));
}

TEST_F(ShellEmulatorTest, FindstrMatchesDotAsAnyCharacter) {
  put("check_01.txt", "convertcp.exe\r\nlexpage_1.EXE\r\nsetup_exe\r\nexe\r\nnotes.txt\r\na*b\r\n");
  run("cmd /c findstr /i \".exe\" check_01.txt >  check_02.txt");
  EXPECT_EQ("convertcp.exe\r\nlexpage_1.EXE\r\nsetup_exe\r\n", get("check_02.txt"));
  EXPECT_EQ("convertcp.exe\r\nsetup_exe\r\n", run("findstr \".exe\" check_01.txt")) << "case matters without /i";
  EXPECT_EQ("a*b\r\n", run("findstr \"a*b\" check_01.txt")) << "'*' is literal";
  EXPECT_EQ("exe\r\nnotes.txt\r\na*b\r\n", run("findstr /v /i \".exe\" check_01.txt"));
  EXPECT_EQ("FINDSTR: Cannot open gone.txt\r\n", run("findstr \"x\" gone.txt"));
  put("second.txt", "x.exe\r\n");
  EXPECT_EQ("check_01.txt:convertcp.exe\r\ncheck_01.txt:setup_exe\r\nsecond.txt:x.exe\r\n",
            run("findstr \".exe\" check_01.txt second.txt"));
  // A long pattern over a long line still finds its match.
  const std::string pattern = std::string(100, 'a') + "." + std::string(100, 'b');
  put("long.txt", std::string(5000, 'a') + "X" + std::string(100, 'b') + "\r\nno\r\n");
  EXPECT_EQ(5103u, run("findstr \"" + pattern + "\" long.txt").size());
}

TEST_F(ShellEmulatorTest, SortOrdersLinesWithoutRegardToCase) {
  put("check_01.txt", "delta\r\nAlpha\r\n\r\ncharlie\r\nBravo\r\nalpha\r\n");
  EXPECT_EQ("", run("sort check_01.txt /o check_02.txt"));
  EXPECT_EQ("\r\nAlpha\r\nalpha\r\nBravo\r\ncharlie\r\ndelta\r\n", get("check_02.txt"));
  run("sort check_02.txt /o check_02.txt");  // onto itself: nothing is lost
  EXPECT_EQ("\r\nAlpha\r\nalpha\r\nBravo\r\ncharlie\r\ndelta\r\n", get("check_02.txt"));
  EXPECT_EQ("delta\r\ncharlie\r\nBravo\r\n", run("sort /r check_01.txt | find /v \"lpha\" | find \"a\""));
  EXPECT_EQ("The system cannot find the file specified.\r\n", run("sort missing.txt /o out.txt"));
  EXPECT_FALSE(exists("out.txt"));
}

TEST_F(ShellEmulatorTest, DelRemovesMatchingFilesOnly) {
  for (const char* name : {"f_01.txt", "F_Notes.TXT", "f_.txt", "keep.txt", "xf_1.txt"}) put(name);
  make_dir("f_dir.txt");
  EXPECT_EQ("", run("del /q f_*.txt"));
  EXPECT_FALSE(exists("f_01.txt"));
  EXPECT_FALSE(exists("F_Notes.TXT"));
  EXPECT_FALSE(exists("f_.txt"));
  EXPECT_TRUE(exists("keep.txt"));
  EXPECT_TRUE(exists("xf_1.txt"));
  EXPECT_TRUE(exists("f_dir.txt")) << "directories are never deleted";
  EXPECT_EQ("Could Not Find " + (dir_.path() / "f_*.txt").string() + "\r\n", run("del /q f_*.txt"));
  EXPECT_EQ("", run("del /q KEEP.TXT"));
  EXPECT_FALSE(exists("keep.txt"));
  EXPECT_EQ("Could Not Find " + (dir_.path() / "keep.txt").string() + "\r\n", run("del /q keep.txt"));
  make_dir("lexpage/htm_in/sub");
  put("lexpage/htm_in/old.htm");
  put("lexpage/htm_in/noext");
  put("lexpage/keep.exe");
  EXPECT_EQ("", run("del /q lexpage\\htm_in\\*.*"));
  EXPECT_FALSE(exists("lexpage/htm_in/old.htm"));
  EXPECT_FALSE(exists("lexpage/htm_in/noext"));
  EXPECT_TRUE(exists("lexpage/htm_in/sub"));
  EXPECT_TRUE(exists("lexpage/keep.exe"));
}

TEST_F(ShellEmulatorTest, CopyToFilesAndDirectories) {
  put("Report.txt", "report\r\n");
  put("wget.exe", "program");
  fs::permissions(dir_.path() / "wget.exe", fs::perms::owner_all);
  make_dir("lexpage/htm_in");
  struct Case {
    const char* line;
    const char* target;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"copy Report.txt sour_in.txt > out.list", "sour_in.txt"},
           {"copy /y report.TXT lexpage\\htm_in\\ > out.list", "lexpage/htm_in/Report.txt"},
           {"copy /y Report.txt lexpage > out.list", "lexpage/Report.txt"},
           {"copy /y wget.exe lexpage\\wget.exe > out.list", "lexpage/wget.exe"},
       }) {
    EXPECT_EQ("", run(c.line)) << c.line;
    EXPECT_EQ("        1 file(s) copied.\r\n", get("out.list")) << c.line;
    EXPECT_EQ(get(c.target == std::string("lexpage/wget.exe") ? "wget.exe" : "Report.txt"), get(c.target)) << c.line;
  }
  // A copied program can still be run.
  EXPECT_EQ(fs::perms::owner_all, fs::status(dir_.path() / "lexpage/wget.exe").permissions() & fs::perms::all);
  // Copy overwrites without asking, and an existing name keeps its case.
  put("lexpage/htm_in/PAGE.HTM", "old");
  put("page.htm", "new");
  run("copy page.htm lexpage\\htm_in\\ > out.list");
  EXPECT_EQ("new", get("lexpage/htm_in/PAGE.HTM"));
  EXPECT_FALSE(exists("lexpage/htm_in/page.htm"));
  EXPECT_EQ("The system cannot find the file specified.\r\n", run("copy missing.txt sour_in.txt > out.list"));
  EXPECT_EQ("        0 file(s) copied.\r\n", get("out.list"));
  EXPECT_EQ("report\r\n", get("sour_in.txt"));
  EXPECT_EQ("The system cannot find the path specified.\r\n", run("copy Report.txt nowhere\\ > out.list"));
  EXPECT_EQ("The system cannot find the path specified.\r\n", run("copy Report.txt nowhere\\x.txt > out.list"));
  EXPECT_EQ("Access is denied.\r\n", run("copy lexpage x.txt > out.list"));
  EXPECT_FALSE(exists("x.txt"));
  // No temporary file is left behind.
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find("kestram-copy")) << entry.path();
}

// Whatever stands under the target name (a longer or shorter file, a
// read-only one, one with a second name), the copy holds exactly the source,
// and a second name of the old file keeps the old text.
TEST_F(ShellEmulatorTest, CopyOverAnExistingFileHoldsExactlyTheSource) {
  put("Report.txt", "new text\r\n");
  fs::permissions(dir_.path() / "Report.txt", fs::perms::owner_read | fs::perms::owner_write);
  struct Case {
    const char* what;
    std::string old_text;
    bool read_only;
    bool second_name;
  };
  for (const Case& c : {Case{"longer", std::string(100000, 'o'), false, false}, Case{"shorter", "o", false, false},
                        Case{"read-only", std::string(100, 'o'), true, false},
                        Case{"linked", std::string(100, 'o'), false, true}}) {
    std::error_code ec;
    fs::remove(dir_.path() / "other.txt", ec);
    fs::remove(dir_.path() / "sour_in.txt", ec);
    put("sour_in.txt", c.old_text);
    if (c.read_only) fs::permissions(dir_.path() / "sour_in.txt", fs::perms::owner_read);
    if (c.second_name) fs::create_hard_link(dir_.path() / "sour_in.txt", dir_.path() / "other.txt");
    EXPECT_EQ("", run("copy Report.txt sour_in.txt > out.list")) << c.what;
    EXPECT_EQ("new text\r\n", get("sour_in.txt")) << c.what;
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(dir_.path() / "sour_in.txt").permissions() & fs::perms::all)
        << c.what;
    if (c.second_name) {
      EXPECT_EQ(c.old_text, get("other.txt"));
    }
  }
}

TEST_F(ShellEmulatorTest, CopyOntoItselfIsRefusedAndLeavesTheFile) {
  const std::string content(300000, 'r');
  put("Report.txt", content);
  fs::create_hard_link(dir_.path() / "Report.txt", dir_.path() / "hard.txt");
  fs::create_symlink(dir_.path() / "Report.txt", dir_.path() / "soft.txt");
  for (const char* line : {"copy Report.txt Report.txt > out.list", "copy /y Report.txt REPORT.TXT > out.list",
                           "copy Report.txt . > out.list", "copy Report.txt > out.list",
                           "copy hard.txt Report.txt > out.list", "copy Report.txt soft.txt > out.list",
                           "copy soft.txt report.txt > out.list"}) {
    EXPECT_EQ("The file cannot be copied onto itself.\r\n", run(line)) << line;
    EXPECT_EQ("        0 file(s) copied.\r\n", get("out.list")) << line;
    EXPECT_EQ(content, get("Report.txt")) << line;
  }
  EXPECT_TRUE(fs::is_symlink(dir_.path() / "soft.txt"));
}

TEST_F(ShellEmulatorTest, QuotedHostileNamesStayOneName) {
  const std::vector<std::string> names = {"my notes.txt", "a & del keep.txt", "x | del keep.txt", "y > keep.txt",
                                          "z < keep.txt", "semi;colon (1).txt", "quote's 100%.txt",
                                          "%i %PATH% !x! ^.txt", "caf\xC3\xA9 \xFF.txt"};
  put("keep.txt", "keep");
  for (const std::string& name : names) {
    put(name, "content of " + name);
    EXPECT_EQ("", run("copy \"" + name + "\" sour_in.txt > out.list")) << name;
    EXPECT_EQ("content of " + name, get("sour_in.txt")) << name;
    EXPECT_EQ("        1 file(s) copied.\r\n", get("out.list")) << name;
    EXPECT_EQ("keep", get("keep.txt")) << name;
    EXPECT_EQ("", run("copy /y \"" + name + "\" \"copy of " + name + "\" > out.list")) << name;
    EXPECT_EQ("content of " + name, get("copy of " + name)) << name;
  }
  // A deletion loop hands each name over as one word: "check_a b.txt" is
  // deleted, "check_a" and "b.txt" are not touched.
  put("check_a b.txt");
  put("check_a");
  put("b.txt");
  put("check_&x.txt");
  EXPECT_EQ("", run("cmd /c for %i in (check_*.txt) do del /q %i >> out_null.txt"));
  EXPECT_FALSE(exists("check_a b.txt"));
  EXPECT_FALSE(exists("check_&x.txt"));
  EXPECT_TRUE(exists("check_a"));
  EXPECT_TRUE(exists("b.txt"));
  EXPECT_EQ("keep", get("keep.txt"));
}

TEST_F(ShellEmulatorTest, ForRunsItsCommandOncePerMatchingFile) {
  put("check_02.txt");
  put("CHECK_01.TXT");
  make_dir("check_dir.txt");
  put("out_null.txt", "listing\r\n");
  EXPECT_EQ("", run("cmd /c for %i in (check_*.txt) do del /q %i >> out_null.txt"));
  EXPECT_FALSE(exists("check_02.txt"));
  EXPECT_FALSE(exists("CHECK_01.TXT"));
  EXPECT_TRUE(exists("check_dir.txt"));
  EXPECT_EQ("listing\r\n", get("out_null.txt"));
  // The names come in listing order, each with the pattern's directory part.
  make_dir("sub");
  put("sub/b.txt");
  put("sub/A.txt");
  run("for %i in (sub\\*.txt) do find /c \"x\" %i > counts.txt");
  EXPECT_EQ("\r\n---------- SUB\\A.TXT: 1\r\n\r\n---------- SUB\\B.TXT: 1\r\n", get("counts.txt"));
  // Names without wildcards are taken as they are; nothing matching runs nothing.
  EXPECT_EQ("Could Not Find " + (dir_.path() / "nothing.txt").string() + "\r\n",
            run("for %i in (nothing.txt) do del /q %i"));
  EXPECT_EQ("", run("for %i in (none_*.txt) do del /q %i"));
  EXPECT_EQ("The syntax of the command is incorrect.\r\n", run("for %i in check_*.txt do del %i"));
  EXPECT_EQ("The syntax of the command is incorrect.\r\n", run("for %i in (x) del %i"));
}

TEST_F(ShellEmulatorTest, MdMakesDirectoriesOnce) {
  EXPECT_EQ("", run("md lexpage"));
  EXPECT_EQ("", run("md lexpage\\htm_in"));
  EXPECT_TRUE(fs::is_directory(dir_.path() / "lexpage/htm_in"));
  EXPECT_EQ("A subdirectory or file lexpage already exists.\r\n", run("md lexpage"));
  EXPECT_EQ("A subdirectory or file LEXPAGE\\htm_in already exists.\r\n", run("md LEXPAGE\\htm_in"));
  put("file.txt");
  EXPECT_EQ("A subdirectory or file file.txt already exists.\r\n", run("md file.txt"));
  EXPECT_EQ("The system cannot find the path specified.\r\n", run("md file.txt\\sub"));
}

TEST_F(ShellEmulatorTest, StartHandsTheProgramToTheLauncher) {
  make_dir("lexpage");
  put("lexpage/LEXPAGE_B.EXE");
  EXPECT_EQ("", run("start /D lexpage lexpage_b.exe"));
  ASSERT_EQ(1u, launcher_.starts.size());
  EXPECT_EQ(dir_.path() / "lexpage", launcher_.starts[0].dir);
  EXPECT_EQ("LEXPAGE_B.EXE", launcher_.starts[0].program);
  EXPECT_EQ("", run("start /D \"lexpage\" \"lexpage_b.exe\""));
  EXPECT_EQ("", run("start /Dlexpage \"title\" lexpage_b.exe"));
  EXPECT_EQ(3u, launcher_.starts.size());
  EXPECT_EQ("The system cannot find the file lexpage_c.exe.\r\n", run("start /D lexpage lexpage_c.exe"));
  EXPECT_EQ("The system cannot find the path specified.\r\n", run("start /D nowhere lexpage_b.exe"));
  launcher_.succeeds = false;
  EXPECT_EQ("The program lexpage_b.exe could not be started.\r\n", run("start /D lexpage lexpage_b.exe"));
  EXPECT_EQ(4u, launcher_.starts.size());
}

TEST_F(ShellEmulatorTest, CommandNamesAndUnknownCommands) {
  put("a.txt", "hit\r\n");
  EXPECT_EQ("hit\r\n", run("FIND.EXE \"hit\" < a.txt"));
  EXPECT_EQ("hit\r\n", run("cmd /c cmd /c find \"hit\" < a.txt"));
  EXPECT_EQ("", run("cmd"));
  EXPECT_EQ("'wget' is not recognized as an internal or external command,\r\n"
            "operable program or batch file.\r\n",
            run("wget x > out.txt"));
  EXPECT_EQ("", get("out.txt"));
  EXPECT_EQ("The syntax of the command is incorrect.\r\n", run("dir & del a.txt"));
  EXPECT_TRUE(exists("a.txt"));
  EXPECT_EQ("", run(""));
}

TEST(ShellEmulatorConfinement, NamesNeverLeadOutOfTheWorkingDirectory) {
  testing::TempDir outer;
  const fs::path work = outer.path() / "work";
  fs::create_directory(work);
  testing::write_file(outer.file("sentinel.txt"), "outside");
  testing::write_file((work / "inside.txt").string(), "inside");
  testing::ScriptedConsole console;
  testing::FakeLauncher launcher;
  ShellEmulator shell(work, console, launcher);
  for (const char* line : {"del /q ..\\*.*", "del /q \\..\\sentinel.txt", "del /q /*", "copy inside.txt ..\\sentinel.txt",
                           "copy /y inside.txt \\..\\..\\sentinel.txt", "dir ..\\ > ..\\sentinel.txt",
                           "sort inside.txt /o ../sentinel.txt", "md ..\\escaped"})
    shell.run(line);
  EXPECT_EQ("outside", testing::read_file(outer.file("sentinel.txt")));
  EXPECT_FALSE(fs::exists(outer.path() / "escaped"));
  EXPECT_TRUE(fs::is_directory(work / "escaped"));
}

// Random lines made of the commands' own vocabulary: whatever they do, the
// interpreter answers every one and stays inside its directory.
TEST(ShellEmulatorConfinement, RandomLinesNeverEscapeOrCrash) {
  testing::TempDir outer;
  const fs::path work = outer.path() / "work";
  fs::create_directories(work / "lexpage" / "htm_in");
  testing::write_file(outer.file("sentinel.txt"), "outside");
  for (const char* name : {"a.txt", "B.TXT", "c.exe", "lexpage\\x.htm"})
    testing::write_file((work / name).string(), "line\r\nLINE two\r\n");
  testing::ScriptedConsole console;
  testing::FakeLauncher launcher;
  ShellEmulator shell(work, console, launcher);
  const std::vector<std::string> vocabulary = {
      "dir", "del", "copy", "md", "find", "findstr", "sort", "for", "%i", "in", "(*.txt)", "do", "start", "cmd",
      "/c", "/b", "/o", "/q", "/y", "/i", "/v", "/D", "*.*", "*.", "a.txt", "B.txt", "lexpage", "lexpage\\htm_in\\",
      "..\\", "\\", "\"a b\"", "\"\"", ">", ">>", "<", "|", "x.out", "\"line\"", "^", "\"", "nul", "(", ")"};
  std::mt19937 random(11);
  for (int round = 0; round < 600; ++round) {
    std::string line;
    const int words = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < words; ++i) line += vocabulary[random() % vocabulary.size()] + " ";
    shell.run(line);
  }
  EXPECT_EQ("outside", testing::read_file(outer.file("sentinel.txt")));
  std::size_t outside = 0;
  for (const auto& entry : fs::directory_iterator(outer.path())) outside += entry.path() != work;
  EXPECT_EQ(1u, outside);
}

}  // namespace
}  // namespace kestram

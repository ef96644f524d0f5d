// The hostile-input catalogue: documents, names and directories nobody
// checked, each through the installed program with piped keys. Every case
// asserts what the user sees and that no input file changed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/program_run.h"
#include "support/small_file_system.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::ends_with;
using testing::line_count;
using testing::read_file;
using testing::write_file;

// Every entry below `root`: a file by its bytes, a directory as "<dir>", a
// link as "<link:target>", anything else as "<special>".
using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const fs::path& root) {
  Snapshot entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = it->path().lexically_relative(root).string();
    // The indexer started by a hand-off works on in its folder meanwhile.
    if (name == "lexpage") it.disable_recursion_pending();
    if (it->is_symlink()) {
      entries[name] = "<link:" + fs::read_symlink(it->path()).string() + ">";
    } else if (it->is_directory()) {
      entries[name] = "<dir>";
    } else if (!it->is_regular_file()) {
      entries[name] = "<special>";  // a pipe: reading it would wait for a writer
    } else {
      entries[name] = read_file(it->path().string());
    }
  }
  return entries;
}

// The work files of a run, rewritten by every run.
const std::vector<std::string> kWorkFiles = {"check_01.txt", "check_02.txt", "out_null.txt", "exe_files.txt",
                                             "dir_a_01.txt", "sour_in.txt",  "out.list"};

constexpr char kNoChapterEnd[] = "\r\nThe file does not have a chapter marked.\r\n<...> any key for continue, end\r\n";
constexpr char kIndexQuestionEnd[] = "<1> yes, continue\r\n<2> no, end of program\r\n";

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(dir_.path().string()); }

  std::string file(const std::string& name) const { return dir_.file(name); }
  bool exists(const std::string& name) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(dir_.path() / name, ec));
  }

  testing::ProgramResult run(const std::string& keys, int seconds = 60) {
    return testing::run_kestram_ok(dir_.path().string(), keys, seconds);
  }
  std::string number_of(const std::string& name) { return testing::list_number_in(dir_.path().string(), name); }

  // Runs the dialogue on `name`: the terms, the notes, its list number, then
  // `answers`. Checks that the files present before the run are unchanged
  // afterwards, work files and the document's own outputs apart.
  testing::ProgramResult run_on(const std::string& name, const std::string& answers, int seconds = 60) {
    const std::string number = number_of(name);
    const Snapshot before = snapshot(dir_.path());
    testing::ProgramResult result = run("11" + number + "\n" + answers, seconds);
    expect_inputs_unchanged(before, name);
    return result;
  }

  void expect_inputs_unchanged(const Snapshot& before, const std::string& input_name) {
    const Snapshot after = snapshot(dir_.path());
    const std::string base = input_name.substr(0, input_name.rfind(".txt"));
    for (const auto& [name, content] : before) {
      bool rewritten = name.rfind(base + "_", 0) == 0;
      for (const std::string& work : kWorkFiles) rewritten = rewritten || name == work;
      if (rewritten) continue;
      const auto found = after.find(name);
      ASSERT_NE(after.end(), found) << name << " is gone";
      EXPECT_TRUE(content == found->second) << name << " changed";
    }
  }

  testing::TempDir dir_;
};

// What a full run leaves: outputs under the document's names, one indented
// line per input line, a page with its fixed first and last lines.
void expect_full_outputs(const fs::path& dir, const std::string& base, const std::string& input) {
  const std::string indented = read_file((dir / (base + "_indent.txt")).string());
  EXPECT_EQ(line_count(input), line_count(indented)) << base;
  EXPECT_TRUE(indented.empty() || ends_with(indented, "\r\n")) << base;
  const std::string page = read_file((dir / (base + "_indent.htm")).string());
  EXPECT_EQ(0u, page.find("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n")) << base;
  EXPECT_TRUE(ends_with(page, "</p>\r\n</pre>\r\n</body>\r\n</html>\r\n")) << base;
  EXPECT_TRUE(fs::is_regular_file(dir / (base + "_chapters.txt"))) << base;
  EXPECT_TRUE(fs::is_regular_file(dir / (base + "_com_ndx.txt"))) << base;
  EXPECT_TRUE(input == read_file((dir / "sour_in.txt").string())) << base;
}

// The indexer runs on by itself after a hand-off; waits until its results
// have stood still for a while (at most 15 seconds), so the directory can go.
void wait_for_indexer(const fs::path& dir) {
  const fs::path results = dir / "lexpage/htm_out";
  std::string last;
  int steady = 0;
  for (int i = 0; i < 75 && steady < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string now;
    std::error_code ec;
    for (auto it = fs::directory_iterator(results, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
      now += it->path().filename().string() + ":" + std::to_string(it->file_size(ec)) + ";";
    const bool done = now.find("index1.htm:") != std::string::npos && now == last;
    steady = done ? steady + 1 : 0;
    last = now;
  }
}

std::string random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

TEST_F(Hostile, DocumentsWithoutAChapterMarkStopAtOnce) {
  struct Case {
    const char* name;
    std::string content;
  };
  // Random bytes almost never hold a chapter mark; without digits, these
  // hold none.
  std::string binary = random_bytes(1 << 16, 11);
  for (char& c : binary)
    if (c >= '0' && c <= '9') c = 'x';
  binary[100] = '\0';
  for (const Case& c : std::vector<Case>{
           {"empty.txt", ""},
           {"blanks.txt", "   \n \r\n\r      "},
           {"binary.txt", binary},
           // More points than any mark has: the line is ordinary text.
           {"points.txt", "1" + std::string(10'000, '.') + " Ten thousand points\n"},
           // Numbers that are no marks: alone, without a title, indented by a tab.
           {"plain.txt", "just text\n1.\n12 Monkeys\n\t1. tabbed\n"},
       }) {
    write_file(file(c.name), c.content);
    const testing::ProgramResult result = run_on(c.name, "\n\n\n" "x");
    EXPECT_TRUE(ends_with(result.output, kNoChapterEnd)) << c.name << "\n" << result.output;
    EXPECT_FALSE(exists(std::string(c.name).replace(std::string(c.name).size() - 4, 4, "_chapters.txt")));
    EXPECT_TRUE(c.content == read_file(file(c.name))) << c.name;
    fs::remove(file(c.name));
  }
}

TEST_F(Hostile, ListedNamesThatAreNoFilesStopAtOnce) {
  fs::create_directory(dir_.path() / "folder.txt");
  fs::create_symlink("nowhere/at/all", dir_.path() / "dangling.txt");
  // Opening a pipe waits for a writer; the device never ends.
  ASSERT_EQ(0, mkfifo(file("pipe.txt").c_str(), 0600));
  fs::create_symlink("/dev/zero", dir_.path() / "zero.txt");
  struct Case {
    const char* name;
    const char* copy_message;  // what the copy into the work copy says
  };
  for (const Case& c : {Case{"folder.txt", "Access is denied.\r\n"},
                        Case{"dangling.txt", "The system cannot find the file specified.\r\n"},
                        Case{"pipe.txt", "Access is denied.\r\n"}, Case{"zero.txt", "Access is denied.\r\n"}}) {
    const testing::ProgramResult result = run_on(c.name, "\n\n\n" "x");
    EXPECT_NE(std::string::npos, result.output.find(c.copy_message)) << result.output;
    EXPECT_TRUE(ends_with(result.output, kNoChapterEnd)) << c.name << "\n" << result.output;
  }
  EXPECT_TRUE(fs::is_empty(dir_.path() / "folder.txt"));
  EXPECT_EQ("nowhere/at/all", fs::read_symlink(dir_.path() / "dangling.txt").string());
  EXPECT_FALSE(exists("nowhere"));
  EXPECT_TRUE(fs::is_fifo(dir_.path() / "pipe.txt"));
}

// The nested document: chapters 1., 1.1, 1.1.1 ... down to `levels` levels.
std::string nested_document(int levels) {
  std::string text;
  std::string number = "1.";
  for (int level = 1; level <= levels; ++level) {
    text += number + " Level " + std::to_string(level) + "\n";
    number += level == 1 ? "1" : ".1";
  }
  return text;
}

TEST_F(Hostile, OddDocumentsRunThroughEveryStep) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string content;
    std::vector<std::string> indented_lines;  // lines the indented text must hold
  };
  const std::string binary = "Intro \0 line\n"s + random_bytes(200'000, 5) +
                             "\n1. \0Nul title\xff\n1.1 \x01\x02\x03\n\0\0\0\n2. After\n"s;
  const std::string forty(38, '9');
  const std::string level_26 = "1" + [] {
    std::string dots;
    for (int i = 0; i < 25; ++i) dots += ".1";
    return dots;
  }();
  for (const Case& c : std::vector<Case>{
           {"binary.txt", binary, {"  1. \0Nul title\xff"s, "    1.1 \x01\x02\x03", "    \0\0\0"s, "  2. After"}},
           {"lone_cr.txt", "Intro\r1. A\rtext\r1.1 B\rmore\r", {"Intro", "  1. A", "    1.1 B", "    more"}},
           {"no_final_end.txt", "1. A\ntext\n1.1 B\nlast line", {"    1.1 B", "    last line"}},
           // A leading number of 40 digits is no chapter: that line is text.
           // Deeper down, numbers of any length count on exactly, with the
           // carry through all 38 nines. Level 1 goes on from the first
           // chapter's rounded leading number (2) plus one per chapter of at
           // most its depth, hence 4.
           {"carries.txt",
            forty + ".9 Big\n1." + forty + " Wide\n1." + forty + " Sibling\n1." + forty + ".1 Child\n2. Next\n",
            {forty + ".9 Big", "    1." + forty + " Wide", "    1.1" + std::string(38, '0') + " Sibling",
             "      1.1" + std::string(38, '0') + ".1 Child", "  4. Next"}},
           // A mark has at most 26 components; the deeper lines are text of
           // the chapter at level 26.
           {"nested.txt", nested_document(30),
            {"  1. Level 1", "    1.1 Level 2", std::string(52, ' ') + level_26 + " Level 26",
             std::string(52, ' ') + level_26 + ".1 Level 27", std::string(52, ' ') + level_26 + ".1.1.1.1 Level 30"}},
       }) {
    write_file(file(c.name), c.content);
    const testing::ProgramResult result = run_on(c.name, "\n" "y\n" "\n" "2");
    const std::string base = std::string(c.name).substr(0, std::string(c.name).size() - 4);
    EXPECT_NE(std::string::npos, result.output.find("\r\ninput file: " + std::string(c.name) + "\r\n"));
    EXPECT_NE(std::string::npos, result.output.find("output files:\r\n\r\n" + base + "_indent.txt\r\n"));
    EXPECT_EQ(std::string::npos, result.output.find("cannot write")) << result.output;
    EXPECT_TRUE(ends_with(result.output, kIndexQuestionEnd)) << c.name;
    expect_full_outputs(dir_.path(), base, c.content);
    const std::string indented = read_file(file(base + "_indent.txt"));
    for (const std::string& line : c.indented_lines)
      EXPECT_NE(std::string::npos, ("\r\n" + indented).find("\r\n" + line + "\r\n")) << c.name << ": " << line;
    fs::remove(file(c.name));
  }
}

TEST_F(Hostile, FiftyMegabyteLine) {
  // One heading line of 50 MB: the title reaches the indented text, the
  // contents entry and the heading anchor whole.
  const std::string title(50u << 20, 't');
  const std::string content = "Intro\n1. " + title + "\nbody";
  write_file(file("huge.txt"), content);
  const testing::ProgramResult result = run_on("huge.txt", "\n" "y\n" "\n" "2", 240);
  EXPECT_NE(std::string::npos, result.output.find("\r\n====================\r\n1.            1.\r\n")) << result.output;
  EXPECT_TRUE(ends_with(result.output, kIndexQuestionEnd));
  expect_full_outputs(dir_.path(), "huge", content);
  const std::string indented = read_file(file("huge_indent.txt"));
  EXPECT_TRUE("Intro\r\n  1. " + title + "\r\n  body\r\n" == indented);
  const std::string page = read_file(file("huge_indent.htm"));
  EXPECT_NE(std::string::npos, page.find("\r\n  <b>1. " + title + " <a href=\"#1.\">1.</a> </b>\r\n"));
  EXPECT_NE(std::string::npos, page.find("\r\n  <span style=\"color:blue\"; ID=\"1.\"><b>1. " + title + "</b></span>\r\n"));
}

TEST_F(Hostile, FileNamesFullOfShellCharacters) {
  const std::string sample = read_file(file("Report.txt"));
  fs::remove(file("Report.txt"));
  for (const std::string& name : {std::string("my \"quoted\" report & a|b <c> ;d %e% !f! ^g (h) \xC3\xA9.txt"),
                                  std::string("a\"\"b.txt"), std::string(" lead.txt"),
                                  std::string("\xFF\xFE raw bytes.txt"), std::string("%i.txt")}) {
    write_file(file(name), sample);
    const std::string base = name.substr(0, name.size() - 4);
    const Snapshot before = snapshot(dir_.path());
    const std::string number = number_of(name);
    const testing::ProgramResult result = run("11" + number + "\n" "\n" "y\n" "\n" "1" "x");
    EXPECT_NE(std::string::npos, result.output.find("\r\ninput file: " + name + "\r\n")) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("output HTML file = " + base + "_indent.htm\r\n"));
    EXPECT_EQ(std::string::npos, result.output.find("cannot")) << result.output;
    EXPECT_EQ(std::string::npos, result.output.find("syntax")) << result.output;
    expect_full_outputs(dir_.path(), base, sample);
    EXPECT_TRUE(read_file(file(base + "_indent.htm")) == read_file(file("lexpage/htm_in/" + base + "_indent.htm")));

    // Nothing else changed, and exactly the outputs and work files are new.
    expect_inputs_unchanged(before, name);
    const Snapshot after = snapshot(dir_.path());
    for (const auto& [entry, content] : after) {
      if (before.count(entry) || entry.rfind("lexpage", 0) == 0) continue;
      const bool expected = entry == base + "_chapters.txt" || entry == base + "_indent.txt" ||
                            entry == base + "_indent.htm" || entry == base + "_com_ndx.txt" ||
                            entry == base + "_table.txt" ||
                            std::find(kWorkFiles.begin(), kWorkFiles.end(), entry) != kWorkFiles.end();
      EXPECT_TRUE(expected) << "unexpected file: " << entry;
    }
    wait_for_indexer(dir_.path());
    std::error_code ignored;
    fs::remove_all(dir_.path() / "lexpage", ignored);
    for (const auto& [entry, content] : after)
      if (entry.rfind(base + "_", 0) == 0) fs::remove(dir_.path() / entry);
    fs::remove(file(name));
  }
}

TEST_F(Hostile, InputClosedAtEveryPromptAndMenuEndsTheRun) {
  // Every prefix of a complete dialogue, cut at any byte: the run must end
  // by itself with status 0 wherever its input stops.
  const std::string number = number_of("Report.txt");
  const std::string original = read_file(file("Report.txt"));
  for (const std::string& keys : {"11" + number + "\n" "\n" "y\n" "HR\n" "1" "x",
                                  "11" + number + "\n" "0\n" "y\n" "\n" "1.\n" "2\n" "x"}) {
    for (std::size_t length = 0; length <= keys.size(); ++length) run(keys.substr(0, length), 30);
  }
  EXPECT_TRUE(original == read_file(file("Report.txt")));
  wait_for_indexer(dir_.path());
}

TEST_F(Hostile, DirectoryInTheWayOfAnOutputIsReported) {
  struct Case {
    const char* name;          // made a directory before the run
    const char* keys_after;    // after the terms and notes
    const char* must_follow;   // console text right after the report
    std::size_t reports = 1;   // one per command that writes it
    bool pipe = false;         // a pipe in the way instead of a directory
  };
  const std::string number = number_of("Report.txt");
  const std::string full = number + "\n" "\n" "y\n" "\n" "2";
  for (const Case& c : std::vector<Case>{
           {"Report_chapters.txt", full.c_str(), "====================\r\noutput files:"},
           {"Report_indent.txt", full.c_str(), "====================\r\noutput files:"},
           {"Report_indent.htm", full.c_str(), ""},
           {"Report_com_ndx.txt", full.c_str(), "\r\n\r\n----------------------------------"},
           {"Report_table.txt", full.c_str(), ""},
           {"sour_in.txt", full.c_str(), ""},
           {"out.list", full.c_str(), "", 2},  // both copies of the input write it
           {"dir_a_01.txt", "1\n", ""},
           // A pipe would make the run wait for a reader for ever.
           {"Report_indent.htm", full.c_str(), "", 1, true},
           {"sour_in.txt", full.c_str(), "", 1, true},
           {"dir_a_01.txt", "1\n", "", 1, true},
       }) {
    for (const char* output : {"Report_chapters.txt", "Report_indent.txt", "Report_indent.htm",
                               "Report_com_ndx.txt", "Report_table.txt", "sour_in.txt", "out.list", "dir_a_01.txt"})
      fs::remove(dir_.path() / output);
    if (c.pipe) {
      ASSERT_EQ(0, mkfifo(file(c.name).c_str(), 0600));
    } else {
      fs::create_directory(dir_.path() / c.name);
    }
    const Snapshot before = snapshot(dir_.path());
    const testing::ProgramResult result = run(std::string("11") + c.keys_after);
    const std::string report =
        "cannot write " + std::string(c.name) + (c.pipe ? ": not a plain file\r\n" : ": Is a directory\r\n");
    const std::size_t at = result.output.find(report);
    ASSERT_NE(std::string::npos, at) << c.name << "\n" << result.output;
    EXPECT_EQ(c.must_follow, result.output.substr(at + report.size(), std::string(c.must_follow).size()));
    std::size_t reports = 0;
    for (std::size_t from = 0; (from = result.output.find(report, from)) != std::string::npos; ++from) ++reports;
    EXPECT_EQ(c.reports, reports) << c.name;
    if (std::string(c.name) == "dir_a_01.txt") {
      EXPECT_TRUE(ends_with(result.output, "line number is out of range\r\n\r\n<...> any key for continue, end\r\n"));
    } else {
      EXPECT_NE(std::string::npos, result.output.find("\r\ninput file: Report.txt\r\n")) << c.name;
      EXPECT_TRUE(ends_with(result.output, kIndexQuestionEnd)) << c.name;
    }
    if (c.pipe) {
      EXPECT_TRUE(fs::is_fifo(dir_.path() / c.name)) << c.name;
    } else {
      EXPECT_TRUE(fs::is_empty(dir_.path() / c.name)) << c.name;
    }
    expect_inputs_unchanged(before, "Report.txt");
    fs::remove(dir_.path() / c.name);
  }
}

// An indentation or a number of empty lines that no disk holds is refused
// before anything of the indented text is written: the run says how much it
// needs and ends as for a document without chapter marks.
TEST_F(Hostile, TextsLargerThanTheDiskAreRefusedUpFront) {
  const std::regex refusal("\r\nnot enough space for Report_indent\\.txt: ([0-9]+) bytes needed, ([0-9]+) bytes "
                           "free\r\n<\\.\\.\\.> any key for continue, end\r\n$");
  for (const char* answers : {"1e15\n" "y\n" "\n" "2",                   // indentation
                              "0\n" "y\n" "\n" "1.\n" "1e15\n" "x"}) {  // empty lines under each id line
    const testing::ProgramResult result = run_on("Report.txt", answers);
    std::smatch numbers;
    ASSERT_TRUE(std::regex_search(result.output, numbers, refusal)) << answers << "\n" << result.output;
    EXPECT_LT(std::stoull(numbers[2]), std::stoull(numbers[1])) << answers;
    EXPECT_GT(std::stoull(numbers[1]), 1'000'000'000'000'000u) << answers;
    for (const char* output : {"Report_indent.txt", "Report_indent.htm", "Report_com_ndx.txt"})
      EXPECT_FALSE(exists(output)) << answers << " " << output;
  }
}

// A step of 5001 puts 5001 blanks per level where a step of 2 puts 2: the
// text is written whole, and the page built from all of it.
TEST_F(Hostile, WideIndentationIsWrittenWhole) {
  const std::vector<std::string> narrow =
      testing::split_lines(read_file(KESTRAM_SOURCE_DIR "/tests/golden/sample_run/Report_indent.txt"));
  std::string expected;
  for (const std::string& line : narrow) {
    const std::size_t blanks = line.find_first_not_of(' ') == std::string::npos ? line.size()
                                                                                   : line.find_first_not_of(' ');
    expected += std::string(blanks / 2 * 5001, ' ') + line.substr(blanks) + "\r\n";
  }
  const testing::ProgramResult result = run_on("Report.txt", "5001\n" "y\n" "\n" "2");
  EXPECT_TRUE(ends_with(result.output, kIndexQuestionEnd)) << result.output;
  EXPECT_TRUE(expected == read_file(file("Report_indent.txt")));
  const std::string page = read_file(file("Report_indent.htm"));
  EXPECT_NE(std::string::npos, page.find(std::string(10002, ' ') + "<span style=\"color:blue\"; ID=\"3.2\">"));
  EXPECT_TRUE(ends_with(page, "</p>\r\n</pre>\r\n</body>\r\n</html>\r\n"));
}

// A document whose indented text is far larger than itself: two chapters,
// many lines, indented by 1000 blanks per level.
std::string wide_document() {
  std::string text = "Title\n1. First\n";
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + "\n";
  return text + "1.1 Second\nlast\n";
}

// Its indented text with the step 1000.
std::string wide_indented() {
  std::string text = "Title\r\n" + std::string(1000, ' ') + "1. First\r\n";
  for (int i = 0; i < 2000; ++i) text += std::string(1000, ' ') + "line " + std::to_string(i) + "\r\n";
  return text + std::string(2000, ' ') + "1.1 Second\r\n" + std::string(2000, ' ') + "last\r\n";
}

TEST(HostileFullDisk, WriteFailuresAreReportedWhenTheDiskFills) {
  testing::TempDir outside;
  fs::create_directory(outside.path() / "small");
  const std::string small = (outside.path() / "small").string();
  const std::string document = wide_document();
  const std::string indented = wide_indented();
  // Room for the work files, the copies and the chapters file.
  const std::uint64_t room_for_the_run = 3 * document.size() + (256u << 10);
  struct Case {
    const char* what;
    std::uint64_t bytes_left;  // free space when the run starts
    std::string keys;
  };
  for (const Case& c : std::vector<Case>{
           // No room for the indented text: it is refused before it is written.
           {"indented text", room_for_the_run, "\n" "1000\n" "y\n" "\n" "2"},
           // Room for the indented text, not for the page beside it.
           {"page", room_for_the_run + indented.size() + (64u << 10), "\n" "1000\n" "y\n" "\n" "2"},
           // Full from the start: the first work file cannot be written.
           {"from the start", 0, "\n" "\n" "y\n" "\n" "2"},
       }) {
    const fs::path results = outside.path() / "results";
    fs::create_directories(results);
    const testing::SmallFileSystemRun run =
        testing::run_on_small_file_system(small, 64u << 20, [&]() {
          testing::install_into(small);
          write_file(small + "/wide.txt", document);
          // The list number comes from a run made before the disk fills.
          const std::string number = testing::list_number_of(testing::run_kestram(small, "11").output, "wide.txt");
          if (number.empty()) return 4;
          if (!testing::fill_file_system(small, "filler.bin", c.bytes_left)) return 3;
          const testing::ProgramResult result = testing::run_kestram(small, "11" + number + c.keys);
          write_file((results / "output.txt").string(), result.output);
          write_file((results / "status.txt").string(),
                     std::to_string(result.exit_status) + (result.timed_out ? " timed out" : ""));
          write_file((results / "wide.txt").string(), read_file(small + "/wide.txt"));
          write_file((results / "Report.txt").string(), read_file(small + "/Report.txt"));
          write_file((results / "exists.txt").string(), fs::exists(small + "/wide_indent.txt") ? "yes" : "no");
          return 0;
        });
    if (!run.available) {
      GTEST_SKIP() << "SKIPPED LOUDLY: no small file system can be mounted here (" << run.why_not
                   << "); the full-disk cases did not run";
    }
    ASSERT_EQ(0, run.exit_status) << c.what;
    const std::string output = read_file((results / "output.txt").string());
    EXPECT_EQ("0", read_file((results / "status.txt").string())) << c.what;
    EXPECT_TRUE(document == read_file((results / "wide.txt").string())) << c.what;
    EXPECT_TRUE(read_file(fs::path(KESTRAM_SOURCE_DIR) / "sample/Report.txt") ==
                read_file((results / "Report.txt").string()))
        << c.what;
    const std::string what = c.what;
    if (what == "indented text") {
      // The work files and the chapters file fit; the indented text is
      // refused whole, with its exact size.
      EXPECT_EQ(std::string::npos, output.find("cannot write")) << output;
      const std::string refusal = "\r\nnot enough space for wide_indent.txt: " + std::to_string(indented.size()) +
                                  " bytes needed, ";
      EXPECT_NE(std::string::npos, output.find(refusal)) << output;
      EXPECT_TRUE(ends_with(output, " bytes free\r\n<...> any key for continue, end\r\n")) << output;
      EXPECT_EQ("no", read_file((results / "exists.txt").string()));
    } else if (what == "page") {
      // The indented text passes the check; the page, written beside it,
      // runs out of room (and may take the indented text's room first).
      // Whatever runs out is named, and the run goes on to its end.
      EXPECT_EQ(std::string::npos, output.find("not enough space")) << output;
      EXPECT_NE(std::string::npos, output.find(": No space left on device\r\n")) << output;
      EXPECT_TRUE(ends_with(output, kIndexQuestionEnd)) << output;
    } else {
      // The clean-up's listing is the first file of the run. (Later work
      // files free their old blocks when emptied, so what follows varies.)
      EXPECT_EQ(0u, output.find("cannot write f_01.txt: No space left on device\r\n")) << output;
    }
    fs::remove_all(results);
  }
}

}  // namespace
}  // namespace kestram

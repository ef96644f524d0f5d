// The installed program with arguments: conversions without the dialogue,
// from any directory, compared with the dialogue's outputs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

// Every file an input's conversion may write.
std::vector<std::string> output_names(const std::string& base) {
  return {base + "_chapters.txt", base + "_indent.txt", base + "_indent.htm", base + "_com_ndx.txt",
          base + "_table.txt"};
}

// Lines of text ended by LF.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find('\n', from);
    lines.push_back(text.substr(from, end - from));
    from = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

class Conversions : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(install_.path().string()); }

  // Runs the installed program with `args` in `cwd`; standard error apart.
  testing::ProgramResult run(const fs::path& cwd, const std::vector<std::string>& args,
                             testing::ProgramSetting setting = {}) {
    setting.error_apart = true;
    const testing::ProgramResult result = testing::run_program_in(cwd.string(), program(), args, "", 120, setting);
    EXPECT_FALSE(result.timed_out);
    return result;
  }

  std::string program() const { return install_.file("kestram"); }
  std::string sample() const { return read_file(install_.file("Report.txt")); }

  testing::TempDir install_;
};

// For the sample and every document of the corpus: the outputs of a
// conversion equal those of a dialogue with the same answers. The program
// runs from a third directory, on the documents' full paths, all at once.
TEST_F(Conversions, WritesTheDialoguesBytes) {
  std::vector<fs::path> documents = {install_.file("Report.txt")};
  const fs::path corpus = fs::path(KESTRAM_SOURCE_DIR).parent_path() / "shared" / "corpus";
  if (fs::exists(corpus))
    for (const auto& entry : fs::directory_iterator(corpus))
      if (entry.path().extension() == ".txt") documents.push_back(entry.path());
  std::sort(documents.begin() + 1, documents.end());

  struct Row {
    std::vector<std::string> args;
    const char* answers;  // after the file's number
    bool sample_only;
  };
  testing::TempDir converted;
  testing::TempDir elsewhere;
  for (const Row& row : std::vector<Row>{
           {{"--toc", "--unit", "X"}, "\n" "y\n" "X\n" "2", false},
           {{"--indent", "4"}, "4\n" "\n" "\n" "2", true},
           // The identification lines hold digits from the clock, here and there.
           {{"--indent", "0", "--start", "2.", "--extra-lines", "1"}, "0\n" "\n" "\n" "2.\n" "1\n" "x", true}}) {
    std::vector<std::string> args = row.args;
    std::size_t failures = 0;
    for (const fs::path& document : documents) {
      const std::string name = document.filename().string();
      fs::copy_file(document, converted.path() / name, fs::copy_options::overwrite_existing);
      if (document.parent_path() != install_.path())
        fs::copy_file(document, install_.path() / name, fs::copy_options::overwrite_existing);
      for (const std::string& output : output_names(name.substr(0, name.size() - 4))) {
        fs::remove(converted.path() / output);
        fs::remove(install_.path() / output);
      }
      testing::run_kestram_on(install_.path().string(), name, row.answers, 120);
      args.push_back((converted.path() / name).string());
      if (row.sample_only) break;
    }
    const testing::ProgramResult outcome = run(elsewhere.path(), args);
    for (std::size_t i = row.args.size(); i < args.size(); ++i) {
      const std::string name = fs::path(args[i]).filename().string();
      SCOPED_TRACE(name + " " + row.answers);
      if (!fs::exists(install_.path() / (name.substr(0, name.size() - 4) + "_indent.txt"))) {
        ++failures;
        EXPECT_NE(std::string::npos, outcome.error.find("kestram: " + args[i] + ": no chapter mark\n"));
      }
      for (const std::string& output : output_names(name.substr(0, name.size() - 4))) {
        const fs::path expected = install_.path() / output;
        ASSERT_EQ(fs::exists(expected), fs::exists(converted.path() / output)) << output;
        if (!fs::exists(expected)) continue;
        std::string want = read_file(expected.string());
        std::string got = read_file((converted.path() / output).string());
        const std::regex identifier(" id=[0-9]{9}\r\n");
        want = std::regex_replace(want, identifier, " id=#\r\n");
        got = std::regex_replace(got, identifier, " id=#\r\n");
        EXPECT_TRUE(want == got) << output;
      }
      EXPECT_EQ(read_file(install_.file(name)), read_file((converted.path() / name).string()));
    }
    EXPECT_EQ(failures == 0 ? 0 : 1, outcome.exit_status) << outcome.error;
    EXPECT_EQ(args.size() - row.args.size() - failures, lines_of(outcome.output).size()) << outcome.output;
    EXPECT_EQ(failures, lines_of(outcome.error).size()) << outcome.error;
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
  }
}

// The README shows the usage text as it is. (Usage errors and documents
// that fail are in tests/examples/command_line.txt.)
TEST_F(Conversions, ReadmeShowsTheUsageText) {
  const std::string readme = read_file(std::string(KESTRAM_SOURCE_DIR) + "/README.md");
  std::string shown;
  for (const std::string& line : lines_of(run(install_.path(), {"--help"}).output))
    shown += line.empty() ? "\n" : "    " + line + "\n";
  EXPECT_NE(std::string::npos, readme.find(shown)) << shown;
}

// An output directory that cannot be written.
TEST_F(Conversions, UnwritableOutputDirectoryIsNamed) {
  testing::TempDir locked;
  fs::permissions(locked.path(), fs::perms::owner_read | fs::perms::owner_exec);
  const std::string unwritable = geteuid() == 0 ? "/sys" : locked.path().string();
  const testing::ProgramResult refused = run(install_.path(), {"--output-dir", unwritable, "Report.txt"});
  EXPECT_EQ(1, refused.exit_status);
  EXPECT_EQ(0u, refused.error.find("kestram: Report.txt: cannot write in " + unwritable + ": ")) << refused.error;
  EXPECT_EQ("", refused.output);
}

// Two runs in one directory at once, a third on the first one's document:
// every output whole and equal to a run alone.
TEST_F(Conversions, RunsAtOnceInOneDirectory) {
  std::string large;
  while (large.size() < (std::size_t{3} << 20)) large += sample();
  write_file(install_.file("one.txt"), large);
  write_file(install_.file("two.txt"), large + "9. Last\n");
  testing::TempDir alone;
  const testing::ProgramResult reference =
      run(install_.path(), {"--toc", "--output-dir", alone.path().string(), "one.txt", "two.txt"});
  ASSERT_EQ(0, reference.exit_status) << reference.error;

  std::vector<testing::ProgramResult> outcomes(3);
  std::vector<std::thread> runs;
  const char* const documents[] = {"one.txt", "two.txt", "one.txt"};
  for (int i = 0; i < 3; ++i)
    runs.emplace_back([&, i] {
      outcomes[i] = run(install_.path(), {"--toc", documents[i]});
    });
  for (std::thread& t : runs) t.join();
  for (const testing::ProgramResult& outcome : outcomes) EXPECT_EQ(0, outcome.exit_status);
  for (const char* base : {"one", "two"}) {
    for (const std::string& name : output_names(base)) {
      ASSERT_EQ(fs::exists(alone.path() / name), fs::exists(install_.path() / name)) << name;
      if (!fs::exists(alone.path() / name)) continue;
      EXPECT_TRUE(read_file((alone.path() / name).string()) == read_file(install_.file(name))) << name;
    }
  }
  for (const auto& entry : fs::directory_iterator(install_.path()))
    EXPECT_NE(0u, entry.path().filename().string().find(".kestram-")) << entry.path();
}

// A run killed half way through writing leaves the outputs of the run before
// it whole, and no part of its own under their names.
TEST_F(Conversions, KilledHalfWayLeavesTheOldOutputs) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a sanitizer's runtime must be the first library loaded";
#endif
  std::string large;
  while (large.size() < (std::size_t{4} << 20)) large += sample();
  write_file(install_.file("big.txt"), large);
  ASSERT_EQ(0, run(install_.path(), {"--toc", "big.txt"}).exit_status);
  std::vector<std::string> old;
  for (const std::string& name : output_names("big")) old.push_back(read_file(install_.file(name)));

  write_file(install_.file("big.txt"), "0. Preface\n" + large);
  const testing::ProgramResult killed = run(install_.path(), {"--toc", "big.txt"},
                             {{"LD_PRELOAD=" KESTRAM_KILL_MIDWAY, "KESTRAM_KILL_AFTER_BYTES=2500000"}, 0});
  EXPECT_EQ(-1, killed.exit_status) << "the run was not stopped: " << killed.output;
  for (std::size_t i = 0; i < old.size(); ++i)
    EXPECT_TRUE(old[i] == read_file(install_.file(output_names("big")[i]))) << output_names("big")[i];
  // The part it wrote is only in its private directory.
  std::uintmax_t staged = 0;
  for (const auto& entry : fs::recursive_directory_iterator(install_.path()))
    if (entry.path().parent_path().filename().string().rfind(".kestram-", 0) == 0) staged += entry.file_size();
  EXPECT_GT(staged, 0u);
}

// The page handed to the indexing program, which has ended by the time the
// program does; the chapter list printed first.
TEST_F(Conversions, IndexesEachPageAndWaits) {
  testing::TempDir elsewhere;
  fs::copy_file(install_.file("Report.txt"), elsewhere.path() / "Report.txt");
  const testing::ProgramResult outcome = run(elsewhere.path(), {"--verbose", "--index", "Report.txt"});
  EXPECT_EQ(0, outcome.exit_status) << outcome.error;
  const std::vector<std::string> lines = lines_of(outcome.output);
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ("====================", lines[0]);
  EXPECT_EQ("1.            1.", lines[1]);
  EXPECT_TRUE(testing::ends_with(lines.back(), "Report_com_ndx.txt (indexed in lexpage)")) << lines.back();
  const fs::path folder = elsewhere.path() / "lexpage";
  EXPECT_TRUE(read_file((folder / "htm_in/Report_indent.htm").string()) ==
              read_file((elsewhere.path() / "Report_indent.htm").string()));
  EXPECT_TRUE(fs::exists(folder / "lexpage_1_0.exe"));
  EXPECT_TRUE(fs::exists(folder / "wget.exe"));
  EXPECT_TRUE(fs::exists(folder / "htm_out/page1.htm"));

  // Without an indexing program beside the program: converted, not indexed.
  fs::remove(install_.path() / "lexpage_1_0.exe");
  const testing::ProgramResult unindexed = run(elsewhere.path(), {"--index-dir", "other", "Report.txt"});
  EXPECT_EQ(1, unindexed.exit_status);
  EXPECT_EQ(0u, unindexed.error.find("kestram: Report.txt: cannot index: no lexpage_*.exe in ")) << unindexed.error;
  EXPECT_EQ(1u, lines_of(unindexed.output).size());
}

}  // namespace
}  // namespace kestram

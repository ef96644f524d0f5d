// The installed program with arguments, where only real processes will do:
// runs at once, a run killed half way, the indexing program started. (What a
// conversion writes and says is in tests/examples/command_line.txt.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
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

class Conversions : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(install_.path().string()); }

  // Runs the installed program with `args` in `cwd`; standard error apart.
  testing::ProgramResult run(const fs::path& cwd, const std::vector<std::string>& args,
                             testing::ProgramSetting setting = {}) {
    setting.error_apart = true;
    const testing::ProgramResult result =
        testing::run_program_in(cwd.string(), install_.file("kestram"), args, "", 120, setting);
    EXPECT_FALSE(result.timed_out);
    return result;
  }

  std::string sample() const { return read_file(install_.file("Report.txt")); }

  testing::TempDir install_;
};

// The README shows the usage text as it is. (Usage errors and documents
// that fail are in tests/examples/command_line.txt.)
TEST_F(Conversions, ReadmeShowsTheUsageText) {
  const std::string readme = read_file(std::string(KESTRAM_SOURCE_DIR) + "/README.md");
  std::istringstream usage(run(install_.path(), {"--help"}).output);
  std::string shown;
  for (std::string line; std::getline(usage, line);) shown += line.empty() ? "\n" : "    " + line + "\n";
  EXPECT_NE(std::string::npos, readme.find(shown)) << shown;
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
  EXPECT_EQ(0u, outcome.output.find("====================\n1.            1.\n")) << outcome.output;
  EXPECT_TRUE(testing::ends_with(outcome.output, "Report_com_ndx.txt (indexed in lexpage)\n")) << outcome.output;
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
  EXPECT_EQ(1, std::count(unindexed.output.begin(), unindexed.output.end(), '\n')) << unindexed.output;
}

}  // namespace
}  // namespace kestram

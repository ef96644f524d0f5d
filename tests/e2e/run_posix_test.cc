// End-to-end runs of the installed program with keys on standard input: the
// sample document's whole run, and input that ends anywhere. (The dialogue's
// cases are in tests/examples/.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

class Run : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(dir_.path().string()); }
  std::string file(const std::string& name) const { return dir_.file(name); }
  bool exists(const std::string& name) const { return fs::exists(dir_.path() / name); }
  testing::ProgramResult run(const std::string& keys) { return testing::run_kestram_ok(dir_.path().string(), keys); }
  testing::ProgramResult run_on(const std::string& name, const std::string& answers) {
    return testing::run_kestram_on(dir_.path().string(), name, answers);
  }
  testing::TempDir dir_;
};

// The sample document's whole run, console and files, byte for byte; the
// work files stay, and the input and its work copy are alike.
TEST_F(Run, SampleRunMatchesItsGoldenFiles) {
  const fs::path golden = fs::path(KESTRAM_SOURCE_DIR) / "tests/golden/sample_run";
  const std::string original = read_file(file("Report.txt"));
  testing::ProgramResult result = run_on("Report.txt", "\n" "y\n" "\n" "2");
  for (const char* name : {"out.list", "check_01.txt", "check_02.txt", "out_null.txt", "exe_files.txt", "dir_a_01.txt"})
    EXPECT_TRUE(exists(name)) << name;
  EXPECT_FALSE(exists("lexpage"));
  EXPECT_EQ(original, read_file(file("Report.txt")));
  EXPECT_EQ(original, read_file(file("sour_in.txt")));
  std::string console = result.output;
  console.replace(0, console.find("\r\n"), "<started path>");
  EXPECT_EQ(read_file((golden / "console.txt").string()), console);
  for (const char* name :
       {"Report_chapters.txt", "Report_indent.txt", "Report_indent.htm", "Report_com_ndx.txt", "Report_table.txt"})
    EXPECT_EQ(read_file((golden / name).string()), read_file(file(name))) << name;
}

// Every prefix of a complete dialogue, cut at any byte: the run ends by
// itself with status 0 wherever its input stops.
TEST_F(Run, InputClosedAtEveryPromptAndMenuEndsTheRun) {
  const std::string number = testing::list_number_in(dir_.path().string(), "Report.txt");
  const std::string original = read_file(file("Report.txt"));
  for (const std::string& keys : {"11" + number + "\n" "\n" "y\n" "HR\n" "2",
                                  "11" + number + "\n" "0\n" "y\n" "\n" "1.\n" "2\n" "x"}) {
    for (std::size_t length = 0; length <= keys.size(); ++length) run(keys.substr(0, length));
  }
  EXPECT_TRUE(original == read_file(file("Report.txt")));
}

}  // namespace
}  // namespace kestram

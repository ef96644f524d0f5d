// The installed program on a disk that fills up, where only a real process
// and a real file system will do. (Documents, names, directories and pipes in
// the way are in tests/examples/hostile.txt.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/small_file_system.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::ends_with;
using testing::read_file;
using testing::write_file;

constexpr char kIndexQuestionEnd[] = "<1> yes, continue\r\n<2> no, end of program\r\n";

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

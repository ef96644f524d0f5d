// Runs on a system that gives the program less than usual. Without a thread
// beside the main one the program does the same work in turn and writes the
// same bytes; when memory runs out it says so and ends with a failure status
// rather than aborting.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;

// Set by the build with the sanitizers, whose runtime must be the first
// library loaded and reserves more address space than any limit here.
constexpr bool kSanitized = KESTRAM_SANITIZED;
using testing::write_file;

// Large enough for every part of a run that has a thread of its own: many
// chapters (the contents entries), a long body and one line of several
// megabytes (written past the writers' buffers).
std::string large_document() {
  std::string text = "A document with many chapters\n\n";
  for (int i = 1; i <= 3000; ++i) {
    const std::string n = std::to_string(i);
    text += n + ". Chapter " + n + " <on> & off\n";
    text += "Body of " + n + ", see http://example.org/" + n + " and chapter " + n + ".1 below.\n";
    text += n + ".1 Section one of " + n + "\n";
    text += "  indented body line\n";
    text += n + ".2 Section two\n\n";
  }
  text += "3000.3 The long line\n";
  for (int i = 0; i < 100000; ++i) text += "word <" + std::to_string(i) + "> & ";
  text += "\nlast line\n";
  return text;
}

// Installs the program with the document in a directory of its own.
struct Installation {
  explicit Installation(const std::string& document) {
    testing::install_into(dir.path().string());
    fs::remove(dir.file("Report.txt"));
    write_file(dir.file("a.txt"), document);
  }
  testing::ProgramResult run(const testing::ProgramSetting& setting = {}) {
    // Its name comes first in the list, whatever the files beside it.
    return testing::run_kestram(dir.path().string(), std::string("11") + "1\n" + "\n" + "y\n" + "\n" + "2", 120,
                                setting);
  }
  testing::TempDir dir;
};

const char* const kOutputs[] = {"a_chapters.txt", "a_indent.txt", "a_indent.htm", "a_com_ndx.txt", "sour_in.txt"};

// Without threads the run writes the same bytes and prints the same lines
// (but the first, which names the program by its path).
TEST(ScarceResources, WithoutThreadsOrMemoryTheRunEndsWell) {
  if (kSanitized) GTEST_SKIP() << "built with the sanitizers";
  const std::string document = large_document();
  Installation installation(document);
  Installation threadless(document);
  const testing::ProgramResult usual = installation.run();
  const testing::ProgramResult alone = threadless.run({{"LD_PRELOAD=" KESTRAM_REFUSE_THREADS}, 0});
  ASSERT_EQ(0, usual.exit_status) << usual.output;
  EXPECT_EQ(0, alone.exit_status) << alone.output;
  EXPECT_TRUE(usual.output.substr(usual.output.find('\n')) == alone.output.substr(alone.output.find('\n')));
  std::vector<std::string> expected;
  for (const char* name : kOutputs) {
    expected.push_back(read_file(installation.dir.file(name)));
    EXPECT_FALSE(expected.back().empty()) << name;
    EXPECT_TRUE(expected.back() == read_file(threadless.dir.file(name))) << name;
  }
  EXPECT_EQ(document, read_file(threadless.dir.file("a.txt")));

  // Each limit either lets the run complete, with the same outputs, or
  // stops it with the message.
  int stopped = 0;
  for (std::uint64_t megabytes = 24; megabytes <= 96; megabytes += 8) {
    SCOPED_TRACE(std::to_string(megabytes) + " MB");
    const testing::ProgramResult result = installation.run({{}, megabytes << 20});
    // Below some limit the system cannot even load the program.
    if (result.output.find("Do you accept the terms of use?") == std::string::npos) continue;
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(document, read_file(installation.dir.file("a.txt")));
    if (result.exit_status == 0) {
      for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(expected[i] == read_file(installation.dir.file(kOutputs[i]))) << kOutputs[i];
      continue;
    }
    ++stopped;
    EXPECT_EQ(1, result.exit_status) << result.output;
    EXPECT_TRUE(testing::ends_with(result.output, "\r\ncannot go on: not enough memory\r\n"))
        << result.output.substr(result.output.size() > 500 ? result.output.size() - 500 : 0);
  }
  EXPECT_GT(stopped, 0) << "no limit was low enough to run out of memory";
}

}  // namespace
}  // namespace kestram

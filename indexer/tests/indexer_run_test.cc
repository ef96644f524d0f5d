#include "indexer_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "support/temp_dir.h"

namespace kestram::lexpage {
namespace {

namespace fs = std::filesystem;
using kestram::testing::read_file;
using kestram::testing::TempDir;
using kestram::testing::write_file;

// Any bytes, and unclosed markup of every kind at their end, are indexed
// without harm: each word wrapped, nothing lost.
TEST(Library, AnyBytesIndexWithoutHarm) {
  std::mt19937 random(7);
  std::string bytes(200000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  for (const char* tail : {"<!--", "<script>", "<p title=\"", "&#12", "<"}) {
    TempDir dir;
    fs::create_directories(dir.path() / "htm_in");
    write_file(dir.file("htm_in/p.htm"), bytes + tail);
    RunOutcome outcome = run_indexer(dir.path(), Request{}, RunOptions{});
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_GT(read_file(dir.file("htm_out/page1.htm")).size(), bytes.size());
  }
}

}  // namespace
}  // namespace kestram::lexpage

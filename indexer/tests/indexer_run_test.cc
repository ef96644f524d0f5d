// What the indexing program writes is shown by tests/examples/indexer.txt;
// this checks pages of any bytes.
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

const std::string kPage =
    "<html>\r\n<body>\r\n<pre>\r\n"
    "<b>TABLE OF CONTENTS</b>\r\n"
    "<b>1. Budget <a href=\"#1.\">1.</a> </b>\r\n"
    "<span style=\"color:blue\"; ID=\"1.\"><b>1. Budget</b></span>\r\n"
    "Budget-plan id=123456789\r\n"
    "  Alpha beta &lt;42&gt; \xC3\x84rger, alpha.\r\n"
    "  <span style=\"color:blue\"; ID=\"1.1\"><b>1.1 Beta</b></span>\r\n"
    "  Beta <a href=\"http://x.org/\">http://x.org/</a> \r\n"
    "</pre>\r\n</body>\r\n</html>\r\n";

TEST(IndexDirectory, AnyBytesIndexWithoutHarm) {
  std::mt19937 random(7);
  std::string bytes(200000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  // Unclosed markup of every kind at the end.
  for (const char* tail : {"<!--", "<script>", "<p title=\"", "&#12", "<"}) {
    TempDir dir;
    fs::create_directories(dir.path() / "htm_in");
    write_file(dir.file("htm_in/p.htm"), bytes + tail);
    RunOutcome outcome = index_directory(dir.path());
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_GT(read_file(dir.file("htm_out/page1.htm")).size(), bytes.size());
  }
}

}  // namespace
}  // namespace kestram::lexpage

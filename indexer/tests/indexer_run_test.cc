// What the indexing program writes is shown by tests/examples/indexer.txt;
// these check the links between its pages, and pages of any bytes.
#include "indexer_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "support/temp_dir.h"
#include "word_text.h"

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

// Every line of context links to an anchor of page1.htm that wraps the very
// word of its entry, and every word of the page is reachable that way.
TEST(IndexDirectory, ContextLinksLandOnTheirWord) {
  TempDir dir;
  fs::create_directories(dir.path() / "htm_in");
  write_file(dir.file("htm_in/p.htm"), kPage);
  ASSERT_TRUE(index_directory(dir.path()).ok);
  std::string page1 = read_file(dir.file("htm_out/page1.htm"));
  std::set<std::string> linked;
  for (const auto& entry : fs::directory_iterator(dir.path() / "htm_out")) {
    std::string name = entry.path().filename().string();
    if (name.rfind("i_", 0) != 0) continue;
    std::string page = read_file(entry.path().string());
    std::string entry_id;
    const std::string entry_start = "<p class=\"w\" id=\"";
    const std::string link_start = "<a href=\"page1.htm#";
    for (std::size_t at = 0; (at = page.find('<', at)) != std::string::npos; ++at) {
      if (page.compare(at, entry_start.size(), entry_start) == 0) {
        std::size_t start = at + entry_start.size();
        entry_id = page.substr(start, page.find('"', start) - start);
        EXPECT_EQ(name, "i_" + std::string(initial_name(entry_id)) + ".htm");
      } else if (page.compare(at, link_start.size(), link_start) == 0) {
        std::size_t start = at + link_start.size();
        std::string anchor = page.substr(start, page.find('"', start) - start);
        std::size_t open = page1.find("<w id=" + anchor + ">");
        ASSERT_NE(std::string::npos, open) << anchor;
        std::size_t word = page1.find('>', open) + 1;
        std::string key;
        fold_word(page1.substr(word, page1.find("</w>", word) - word), key);
        EXPECT_EQ(entry_id, key) << anchor;
        EXPECT_TRUE(linked.insert(anchor).second) << anchor << " linked twice";
      }
    }
  }
  EXPECT_EQ(24u, linked.size());
}

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

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

std::set<std::string> files_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

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

TEST(IndexDirectory, WritesTheFileSetAndReplacesAnEarlierOne) {
  TempDir dir;
  fs::create_directories(dir.path() / "htm_in");
  fs::create_directories(dir.path() / "htm_out");
  write_file(dir.file("htm_in/Report_indent.htm"), kPage);
  for (const char* old : {"i_q.htm", "error.txt", "page2.htm", "notes.txt"})
    write_file(dir.file(std::string("htm_out/") + old), "old");

  RunOutcome outcome = index_directory(dir.path());
  EXPECT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ("indexed htm_in/Report_indent.htm: 24 words, 15 different words, 2 chapters, "
            "1 keyword; see htm_out/index1.htm",
            outcome.message);
  EXPECT_EQ((std::set<std::string>{"page1.htm", "index1.htm", "s_1.htm", "i_1.htm", "i_4.htm",
                                   "i_a.htm", "i_b.htm", "i_c.htm", "i_h.htm", "i_i.htm",
                                   "i_o.htm", "i_p.htm", "i_t.htm", "i_x.htm", "i_other.htm",
                                   "notes.txt"}),
            files_in(dir.path() / "htm_out"));
  EXPECT_EQ("old", read_file(dir.file("htm_out/notes.txt")));  // not ours: left alone
}

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

TEST(IndexDirectory, NothingToIndexIsReportedInHtmOut) {
  struct Case {
    const char* name;
    void (*prepare)(const TempDir&);
    const char* message;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"missing htm_in", [](const TempDir&) {},
            "the folder htm_in is missing: there is no page to index"},
           {"empty htm_in", [](const TempDir& d) { fs::create_directory(d.path() / "htm_in"); },
            "the folder htm_in is empty: there is no page to index"},
           {"two pages",
            [](const TempDir& d) {
              fs::create_directory(d.path() / "htm_in");
              write_file(d.file("htm_in/a.htm"), "a");
              write_file(d.file("htm_in/b.htm"), "b");
            },
            "the folder htm_in holds 2 files; it must hold exactly the one page to index"},
           {"unreadable page",
            [](const TempDir& d) {
              fs::create_directory(d.path() / "htm_in");
              fs::create_symlink(d.file("nowhere.htm"), d.file("htm_in/gone.htm"));
            },
            "cannot read the page htm_in/gone.htm: No such file or directory"},
           {"endless device",
            [](const TempDir& d) {
              fs::create_directory(d.path() / "htm_in");
              fs::create_symlink("/dev/zero", d.file("htm_in/zero.htm"));
            },
            "the page htm_in/zero.htm is no regular file"},
       }) {
    TempDir dir;
    try {
      c.prepare(dir);
    } catch (const fs::filesystem_error& error) {
      // The C++ library for Windows makes no symbolic links.
      if (error.code() == std::errc::function_not_supported) continue;
      throw;
    }
    fs::create_directories(dir.path() / "htm_out");
    write_file(dir.file("htm_out/page1.htm"), "stale result of another page");
    RunOutcome outcome = index_directory(dir.path());
    EXPECT_FALSE(outcome.ok) << c.name;
    EXPECT_EQ(c.message, outcome.message) << c.name;
    EXPECT_EQ(std::string(c.message) + "\r\n", read_file(dir.file("htm_out/error.txt"))) << c.name;
    EXPECT_NE(std::string::npos,
              read_file(dir.file("htm_out/index1.htm")).find("No index was made: " + std::string(c.message)))
        << c.name;
    EXPECT_EQ((std::set<std::string>{"error.txt", "index1.htm"}), files_in(dir.path() / "htm_out"))
        << c.name;
  }
}

TEST(IndexDirectory, HtmOutTakenByAFileIsReported) {
  TempDir dir;
  fs::create_directories(dir.path() / "htm_in");
  write_file(dir.file("htm_in/p.htm"), "x");
  write_file(dir.file("htm_out"), "a file");
  RunOutcome outcome = index_directory(dir.path());
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(0u, outcome.message.find("cannot create the folder htm_out")) << outcome.message;
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

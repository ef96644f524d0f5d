#include "indexer_run.h"

#include <gtest/gtest.h>

#include <chrono>
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
using Kind = Request::Kind;

std::set<std::string> files_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

std::string page_of(const std::string& body) {
  return "<html>\r\n<body>\r\n<pre>\r\n<span style=\"color:blue\"; ID=\"1.\"><b>1. Budget</b></span>\r\n" + body +
         "\r\n</pre>\r\n</body>\r\n</html>\r\n";
}

class Library : public ::testing::Test {
 protected:
  // Leaves the page alone in htm_in/, newer than any before it, as the
  // hand-off does.
  void hand_over(const std::string& name, const std::string& bytes) {
    fs::remove_all(dir_.path() / "htm_in");
    fs::create_directories(dir_.path() / "htm_in");
    write_file(dir_.file("htm_in/" + name), bytes);
    fs::last_write_time(dir_.path() / "htm_in" / name,
                        fs::file_time_type::clock::now() + std::chrono::seconds(++handed_));
  }
  RunOutcome run(Kind kind = Kind::kTakeIn, const std::string& name = "") {
    RunOptions options;
    options.now = "2024-05-01 13:45";
    return run_indexer(dir_.path(), Request{kind, name}, options);
  }
  std::string listing() { return run(Kind::kList).message; }
  std::string out(const std::string& name) const { return read_file(dir_.file("htm_out/" + name)); }

  TempDir dir_;
  int handed_ = 0;
};

TEST_F(Library, TakesInReplacesAndRemovesDocuments) {
  hand_over("a.htm", page_of("harbour alpha"));
  RunOutcome first = run();
  EXPECT_TRUE(first.ok);
  EXPECT_EQ("took in htm_in/a.htm as page1.htm: 4 words, 4 different words, 1 chapter\n"
            "the library holds 1 document; see htm_out/index1.htm\n",
            first.message);
  EXPECT_EQ((std::set<std::string>{"page1.htm", "index1.htm", "s_1.htm", "search.htm", "search_words.js", "i_1.htm",
                                   "i_a.htm", "i_b.htm", "i_h.htm", "library", "word_lists"}),
            files_in(dir_.path() / "htm_out"));
  EXPECT_EQ(page_of("harbour alpha"), out("library/a.htm"));
  const std::string index_before = out("i_h.htm");
  EXPECT_EQ("no new page in htm_in\nthe library holds 1 document; see htm_out/index1.htm\n", run().message);
  EXPECT_EQ(index_before, out("i_h.htm"));

  hand_over("b.htm", page_of("harbour beta"));
  EXPECT_TRUE(run().ok);
  EXPECT_EQ("page1.htm  2024-05-01 13:45  a.htm\npage2.htm  2024-05-01 13:45  b.htm\n", listing());
  EXPECT_NE(std::string::npos, out("i_h.htm").find("<b>harbour</b> (2)"));

  // Converted again: same number, new words, the old ones gone.
  hand_over("a.htm", page_of("harbour harbour gamma"));
  EXPECT_NE(std::string::npos, run().message.find("took in htm_in/a.htm as page1.htm"));
  EXPECT_NE(std::string::npos, out("page1.htm").find("<w id=w5>gamma</w>"));
  EXPECT_NE(std::string::npos, out("i_h.htm").find("<b>harbour</b> (3)"));
  EXPECT_FALSE(fs::exists(dir_.path() / "htm_out/i_a.htm"));

  // Removed: its words leave every page, and its page waiting in htm_in/
  // does not come back.
  EXPECT_EQ("removed a.htm from the library\nthe library holds 1 document; see htm_out/index1.htm\n",
            run(Kind::kRemove, "a.htm").message);
  EXPECT_FALSE(fs::exists(dir_.path() / "htm_out/page1.htm"));
  EXPECT_FALSE(fs::exists(dir_.path() / "htm_out/i_g.htm"));
  EXPECT_NE(std::string::npos, out("i_h.htm").find("<b>harbour</b> (1)"));
  EXPECT_EQ(std::string::npos, out("search_words.js").find("a.htm"));
  EXPECT_TRUE(run().ok);
  EXPECT_EQ("page2.htm  2024-05-01 13:45  b.htm\n", listing());
  RunOutcome again = run(Kind::kRemove, "a.htm");
  EXPECT_FALSE(again.ok);
  EXPECT_EQ("a.htm is not in the library; nothing was changed\n", again.message);

  // A new document takes the lowest free number; one deleted from the
  // library folder is gone at the next run.
  hand_over("c.htm", page_of("delta"));
  EXPECT_NE(std::string::npos, run().message.find("took in htm_in/c.htm as page1.htm"));
  fs::remove(dir_.path() / "htm_out/library/b.htm");
  EXPECT_TRUE(run().ok);
  EXPECT_EQ("page1.htm  2024-05-01 13:45  c.htm\n", listing());
  EXPECT_FALSE(fs::exists(dir_.path() / "htm_out/page2.htm"));
}

TEST_F(Library, PagesThatCannotBeReadAreNamedAndTheLibraryKept) {
  struct Case {
    const char* name;
    void (*prepare)(const TempDir&);
    const char* problem;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"unreadable page",
            [](const TempDir& d) { fs::create_symlink(d.file("nowhere.htm"), d.file("htm_in/gone.htm")); },
            "cannot read the page htm_in/gone.htm: No such file or directory"},
           {"endless device",
            [](const TempDir& d) { fs::create_symlink("/dev/zero", d.file("htm_in/zero.htm")); },
            "the page htm_in/zero.htm is no regular file"},
           {"two pages",
            [](const TempDir& d) {
              write_file(d.file("htm_in/x.htm"), "x");
              write_file(d.file("htm_in/y.htm"), "y");
            },
            "the folder htm_in holds 2 files; it must hold exactly the one page to take in"},
           {"line end in the name", [](const TempDir& d) { write_file(d.file("htm_in/x\ny.htm"), "x"); },
            "the page name htm_in/x\ny.htm holds control characters: rename it"},
       }) {
    TempDir dir;
    fs::create_directories(dir.path() / "htm_in");
    write_file(dir.file("htm_in/kept.htm"), page_of("harbour"));
    RunOptions options;
    ASSERT_TRUE(run_indexer(dir.path(), Request{}, options).ok) << c.name;
    fs::remove(dir.path() / "htm_in/kept.htm");
    try {
      c.prepare(dir);
    } catch (const fs::filesystem_error& error) {
      // The C++ library for Windows makes no symbolic links.
      if (error.code() == std::errc::function_not_supported) continue;
      throw;
    }
    if (fs::is_empty(dir.path() / "htm_in")) continue;  // Windows makes no name with a line end
    RunOutcome outcome = run_indexer(dir.path(), Request{}, options);
    EXPECT_FALSE(outcome.ok) << c.name;
    EXPECT_EQ(std::string(c.problem) + "\nthe library holds 1 document; see htm_out/index1.htm\n", outcome.message)
        << c.name;
    EXPECT_EQ(std::string(c.problem) + "\r\n", read_file(dir.file("htm_out/error.txt"))) << c.name;
    EXPECT_NE(std::string::npos, read_file(dir.file("htm_out/index1.htm")).find("<b>Not indexed:</b>")) << c.name;
    EXPECT_TRUE(fs::exists(dir.path() / "htm_out/library/kept.htm")) << c.name;
    EXPECT_TRUE(fs::exists(dir.path() / "htm_out/i_h.htm")) << c.name;
  }
}

TEST_F(Library, UsersFilesStayAndEarlierResultsGo) {
  fs::create_directories(dir_.path() / "htm_out/mine");
  write_file(dir_.file("htm_out/notes.txt"), "mine");
  write_file(dir_.file("htm_out/mine/deep.txt"), "mine too");
  write_file(dir_.file("htm_out/i_q.htm"), "a result of an earlier version");
  hand_over("a.htm", page_of("harbour"));
  ASSERT_TRUE(run().ok);
  fs::create_directories(dir_.path() / "htm_out/library/sorted");
  hand_over("b.htm", page_of("quay"));
  ASSERT_TRUE(run().ok);
  EXPECT_EQ("mine", out("notes.txt"));
  EXPECT_EQ("mine too", out("mine/deep.txt"));
  EXPECT_TRUE(fs::is_directory(dir_.path() / "htm_out/library/sorted"));
  EXPECT_NE(std::string::npos, out("i_q.htm").find("<b>quay</b> (1)"));
  // Nothing is left beside htm_out but the lock.
  EXPECT_EQ((std::set<std::string>{"htm_in", "htm_out", "htm_out.lock"}), files_in(dir_.path()));
}

// A library of another format is said so and made anew from its kept pages.
TEST_F(Library, OtherFormatsAreMadeAnewFromTheKeptPages) {
  hand_over("a.htm", page_of("harbour"));
  ASSERT_TRUE(run().ok);
  hand_over("b.htm", page_of("quay"));
  ASSERT_TRUE(run().ok);
  std::string catalog = out("word_lists/catalog.txt");
  write_file(dir_.file("htm_out/word_lists/catalog.txt"), "lexpage library 2" + catalog.substr(catalog.find('\r')));
  RunOutcome outcome = run();
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(0u, outcome.message.find("the library's catalog is not of the format \"lexpage library 1\" (it begins "
                                     "\"lexpage library 2\"): every kept page is indexed anew\n"))
      << outcome.message;
  EXPECT_NE(std::string::npos, out("i_q.htm").find("<b>quay</b> (1)"));
  // A damaged word list is made anew, too.
  write_file(dir_.file("htm_out/word_lists/2.txt"), "lexpage word list 1\r\nword x\r\n");
  EXPECT_EQ("no new page in htm_in\nthe library holds 2 documents; see htm_out/index1.htm\n", run().message);
  EXPECT_NE(std::string::npos, out("i_q.htm").find("<b>quay</b> (1)"));
  EXPECT_EQ("page1.htm  2024-05-01 13:45  a.htm\npage2.htm  2024-05-01 13:45  b.htm\n", listing());
}

TEST_F(Library, HtmOutTakenByAFileIsReported) {
  hand_over("p.htm", "x");
  write_file(dir_.file("htm_out"), "a file");
  RunOutcome outcome = run();
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ("cannot create the folder htm_out: a file has its name\n", outcome.message);
  EXPECT_EQ("a file", read_file(dir_.file("htm_out")));
}

// Every line of context links to an anchor of its document's page that
// wraps the very word of its entry, and every word is reachable that way.
TEST_F(Library, ContextLinksLandOnTheirWord) {
  const std::string pages[] = {page_of("Alpha beta &lt;42&gt; \xC3\x84rger, alpha."), page_of("beta Beta gamma")};
  hand_over("one.htm", pages[0]);
  ASSERT_TRUE(run().ok);
  hand_over("two.htm", pages[1]);
  ASSERT_TRUE(run().ok);
  std::set<std::string> linked;
  for (const auto& entry : fs::directory_iterator(dir_.path() / "htm_out")) {
    std::string name = entry.path().filename().string();
    if (name.rfind("i_", 0) != 0) continue;
    std::string page = read_file(entry.path().string());
    std::string entry_id;
    const std::string entry_start = "<p class=\"w\" id=\"";
    const std::string link_start = "<a href=\"page";
    for (std::size_t at = 0; (at = page.find('<', at)) != std::string::npos; ++at) {
      if (page.compare(at, entry_start.size(), entry_start) == 0) {
        std::size_t start = at + entry_start.size();
        entry_id = page.substr(start, page.find('"', start) - start);
        EXPECT_EQ(name, "i_" + std::string(initial_name(entry_id)) + ".htm");
      } else if (page.compare(at, link_start.size(), link_start) == 0 &&
                 page.find('#', at) < page.find('"', at + link_start.size())) {
        std::size_t start = at + 9;
        std::string target = page.substr(start, page.find('"', start) - start);
        std::string page_file = target.substr(0, target.find('#'));
        std::string anchor = target.substr(target.find('#') + 1);
        std::string text = out(page_file);
        std::size_t open = text.find("<w id=" + anchor + ">");
        ASSERT_NE(std::string::npos, open) << target;
        std::size_t word = text.find('>', open) + 1;
        std::string key;
        fold_word(text.substr(word, text.find("</w>", word) - word), key);
        EXPECT_EQ(entry_id, key) << target;
        EXPECT_TRUE(linked.insert(target).second) << target << " linked twice";
      }
    }
  }
  EXPECT_EQ(7u + 5u, linked.size());
}

TEST_F(Library, AnyBytesIndexWithoutHarm) {
  std::mt19937 random(7);
  std::string bytes(200000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  // Unclosed markup of every kind at the end.
  for (const char* tail : {"<!--", "<script>", "<p title=\"", "&#12", "<"}) {
    hand_over("p.htm", bytes + tail);
    RunOutcome outcome = run();
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_GT(out("page1.htm").size(), bytes.size());
  }
}

}  // namespace
}  // namespace kestram::lexpage

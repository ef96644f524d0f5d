#include "library_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "catalog.h"
#include "search_page.h"

namespace kestram::lexpage {
namespace {

template <typename Write>
std::string written(Write&& write) {
  std::string out;
  StringSink sink(out);
  write(sink);
  return out;
}

// Documents indexed as a run takes them in, with their lines of context
// held in strings.
class StringLibrary : public ContextSource {
 public:
  explicit StringLibrary(const std::vector<std::pair<std::string, std::string>>& pages) {
    for (const auto& [name, page] : pages) {
      PageScan scan = scan_page(page);
      WordIndex index = build_word_index(page, scan);
      IndexedPage indexed{library.documents.size() + 1, page, scan, index};
      std::vector<std::uint64_t> bytes;
      lines_.push_back(written([&](LineSink& out) { bytes = write_context_lines(indexed, out); }));
      LibraryDocument document;
      document.number = indexed.number;
      document.name = name;
      document.indexed = "2024-05-01 13:45";
      EXPECT_TRUE(parse_word_list(written([&](LineSink& out) { write_word_list(indexed, bytes, out); }),
                                  document.words));
      library.documents.push_back(std::move(document));
      read_.push_back(0);
    }
    merge_words(library);
  }
  void copy(std::size_t document, std::uint64_t bytes, LineSink& out) override {
    out.write(std::string_view(lines_[document]).substr(read_[document], bytes));
    read_[document] += bytes;
  }
  Library library;

 private:
  std::vector<std::string> lines_;
  std::vector<std::size_t> read_;
};

std::string heading(const char* number, const char* title) {
  return std::string("<span style=\"color:blue\"; ID=\"") + number + "\"><b>" + number + " " + title +
         "</b></span>\r\n";
}

const std::vector<std::pair<std::string, std::string>> kPages = {
    {"alpha_indent.htm", heading("1.", "Quays (HR)") + "harbour budget harbour Budget-plan id=123456789\r\n"},
    {"beta_indent.htm", heading("1.", "Ferry (FIN)") + "ferry harbour ferry\r\n"},
};

TEST(LibraryPages, InitialPageGivesTotalsAndEachDocumentsLines) {
  StringLibrary documents(kPages);
  const Library& library = documents.library;
  // The pages are written in turn, as each document's lines come in the
  // order of its words.
  std::vector<std::string> pages;
  for (const InitialGroup& group : library.groups)
    pages.push_back(written([&](LineSink& out) { write_initial_page(library, group, documents, out); }));
  ASSERT_EQ("h", std::string(library.groups[3].name));  // 1 b f h i p q
  const std::string& page = pages[3];
  std::size_t entry = page.find("<p class=\"w\" id=\"harbour\"><b>harbour</b> (3)</p>");
  std::size_t alpha = page.find("<p class=\"d\"><a href=\"page1.htm\">alpha_indent.htm</a> (2)</p>");
  std::size_t beta = page.find("<p class=\"d\"><a href=\"page2.htm\">beta_indent.htm</a> (1)</p>");
  ASSERT_NE(std::string::npos, entry);
  ASSERT_LT(entry, alpha);
  ASSERT_LT(alpha, beta);
  // Each document's lines link into its own page, to the words themselves.
  std::string alpha_lines = page.substr(alpha, beta - alpha);
  EXPECT_NE(std::string::npos, alpha_lines.find("<a href=\"page1.htm#w4\"><b>harbour</b></a>"));
  EXPECT_NE(std::string::npos, alpha_lines.find("<a href=\"page1.htm#w6\"><b>harbour</b></a>"));
  EXPECT_NE(std::string::npos, page.find("<a href=\"page2.htm#w5\"><b>harbour</b></a>", beta));
  EXPECT_NE(std::string::npos, page.find("<a href=\"search.htm\">Search</a>"));
}

TEST(LibraryPages, IndexAndStatisticsCoverEveryDocument) {
  StringLibrary documents(kPages);
  documents.library.problems.push_back("cannot read the page htm_in/x.htm: Permission denied");
  std::string index = written([&](LineSink& out) { write_index_page(documents.library, out); });
  EXPECT_NE(std::string::npos, index.find("The library holds 2 documents: 16 words, 10 different words."));
  EXPECT_NE(std::string::npos, index.find("<tr><td><a href=\"page1.htm\">alpha_indent.htm</a></td><td class=\"n\">1"
                                          "</td><td class=\"n\">10</td><td>HR</td><td>2024-05-01 13:45</td></tr>"));
  EXPECT_NE(std::string::npos, index.find("<td>FIN</td>"));
  EXPECT_NE(std::string::npos, index.find("<tr><td><a href=\"i_h.htm\">h</a></td><td class=\"n\">2</td>"
                                          "<td class=\"n\">4</td></tr>"));
  EXPECT_NE(std::string::npos, index.find("<a href=\"page1.htm#w7\">Budget-plan id=123456789</a></td>"
                                          "<td>alpha_indent.htm</td><td>1.</td>"));
  EXPECT_NE(std::string::npos, index.find("<b>Not indexed:</b> cannot read the page htm_in/x.htm"));

  std::string statistics = written([&](LineSink& out) { write_statistics_page(documents.library, out); });
  // The words only one document uses: ferry for beta, budget and more for alpha.
  std::size_t own = statistics.find("<h2>Words that only one document uses</h2>");
  std::size_t beta = statistics.find("<h3><a href=\"page2.htm\">beta_indent.htm</a></h3>", own);
  ASSERT_NE(std::string::npos, own);
  ASSERT_NE(std::string::npos, beta);
  EXPECT_NE(std::string::npos, statistics.find("2  <a href=\"i_b.htm#budget\">budget</a>", own));
  EXPECT_LT(statistics.find("<a href=\"i_b.htm#budget\">", own), beta);
  EXPECT_NE(std::string::npos, statistics.find("3  <a href=\"i_f.htm#ferry\">ferry</a>", beta));
  EXPECT_EQ(std::string::npos, statistics.find("<a href=\"i_h.htm#harbour\">", own));
  EXPECT_NE(std::string::npos, statistics.find("<a href=\"page2.htm#1.\">1.</a></td><td class=\"n\">6</td>"));
}

TEST(LibraryPages, SearchDataListsCountsAndFirstOccurrences) {
  StringLibrary documents(kPages);
  std::string data = written([&](LineSink& out) { write_search_data(documents.library, out); });
  EXPECT_NE(std::string::npos, data.find("var lexpageLibrary = {documents: [\r\n"
                                         "[\"page1.htm\",\"alpha_indent.htm\"],\r\n"
                                         "[\"page2.htm\",\"beta_indent.htm\"]\r\n], words: [\r\n"));
  EXPECT_NE(std::string::npos, data.find("[\"harbour\",3,0,2,4,1,1,5],\r\n"));
  EXPECT_NE(std::string::npos, data.find("[\"ferry\",3,1,3,2],\r\n"));
  std::string search = written([&](LineSink& out) { write_search_page(documents.library, out); });
  EXPECT_NE(std::string::npos, search.find("<script src=\"search_words.js\"></script>"));
  EXPECT_NE(std::string::npos, search.find("<noscript>"));

  struct Case {
    std::string text;
    std::string literal;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"plain", "\"plain\""},
           {"a\"b\\c", "\"a\\\"b\\\\c\""},
           {"</script>\t", "\"\\u003c/script>\\u0009\""},
           {"\xE2\x80\xA8\xC3\xA9\xFF", "\"\\u2028\xC3\xA9\xEF\xBF\xBD\""},
       })
    EXPECT_EQ(c.literal, js_string(c.text)) << c.text;
}

// The files of the library read back what they wrote, and refuse what they
// cannot read rather than guess.
TEST(LibraryFiles, WordListsAndCatalogsReadBack) {
  StringLibrary documents(kPages);
  const DocumentWords& alpha = documents.library.documents[0].words;
  EXPECT_EQ(1u, alpha.chapters);
  EXPECT_EQ(10u, alpha.occurrences);
  EXPECT_EQ(std::vector<std::string_view>{"HR"}, alpha.units);
  ASSERT_EQ(1u, alpha.keywords.size());
  EXPECT_EQ("Budget-plan id=123456789", alpha.keywords[0].text);
  for (const char* text : {"", "lexpage word list 2\r\n", "lexpage word list 1\r\nword 1 1 1\r\n",
                           "lexpage word list 1\r\nword 1 1 1 b\r\nword 1 1 1 a\r\n",
                           "lexpage word list 1\r\nsomething else\r\n"}) {
    DocumentWords words;
    EXPECT_FALSE(parse_word_list(text, words)) << text;
  }

  Catalog catalog;
  catalog.taken = "12 345 a b.htm";
  catalog.documents.push_back({3, 12, 0xABCDEF, "2024-05-01 13:45", "a b.htm"});
  Catalog read;
  std::string format;
  ASSERT_EQ(CatalogRead::kRead, parse_catalog(written([&](LineSink& out) { write_catalog(catalog, out); }), read,
                                              format));
  EXPECT_EQ(catalog.taken, read.taken);
  ASSERT_EQ(1u, read.documents.size());
  EXPECT_EQ(3u, read.documents[0].number);
  EXPECT_EQ(0xABCDEFu, read.documents[0].hash);
  EXPECT_EQ("2024-05-01 13:45", read.documents[0].indexed);
  EXPECT_EQ("a b.htm", read.documents[0].name);
  EXPECT_EQ(CatalogRead::kMissing, parse_catalog("", read, format));
  EXPECT_EQ(CatalogRead::kOtherFormat, parse_catalog("lexpage library 2\r\n", read, format));
  EXPECT_EQ("lexpage library 2", format);
  EXPECT_EQ(CatalogRead::kOtherFormat, parse_catalog("lexpage library 1\r\ndocument x\r\n", read, format));
}

}  // namespace
}  // namespace kestram::lexpage

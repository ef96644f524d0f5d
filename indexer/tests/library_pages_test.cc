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

// The words of a page as the library keeps them.
DocumentWords words_of(const std::string& page) {
  PageScan scan = scan_page(page);
  WordIndex index = build_word_index(page, scan);
  IndexedPage indexed{1, page, scan, index};
  std::vector<std::uint64_t> bytes;
  written([&](LineSink& out) { bytes = write_context_lines(indexed, out); });
  DocumentWords words;
  EXPECT_TRUE(parse_word_list(written([&](LineSink& out) { write_word_list(indexed, bytes, out); }), words));
  return words;
}

// The files of the library read back what they wrote, and refuse what they
// cannot read rather than guess. (The pages made of them are in
// tests/examples/indexer.txt.)
TEST(LibraryFiles, WordListsAndCatalogsReadBack) {
  const DocumentWords alpha = words_of(
      "<span style=\"color:blue\"; ID=\"1.\"><b>1. Quays (HR)</b></span>\r\n"
      "harbour budget harbour Budget-plan id=123456789\r\n");
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

#include "output_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "word_text.h"

namespace kestram::lexpage {
namespace {

// Everything the writers need for one page, built the way the run builds it.
struct Indexed {
  explicit Indexed(std::string text)
      : page(std::move(text)),
        scan(scan_page(page)),
        index(build_word_index(page, scan)),
        groups(initial_groups(index)),
        keywords(find_keywords(scan)),
        view{"doc_indent.htm", page, scan, index, groups, keywords} {}
  std::string page;
  PageScan scan;
  WordIndex index;
  std::vector<InitialGroup> groups;
  std::vector<Keyword> keywords;
  IndexedPage view;
};

template <typename Write>
std::string written(Write&& write) {
  std::string out;
  StringSink sink(out);
  write(sink);
  return out;
}

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Takes the word anchors and the script back out of page1.htm; returns the
// wrapped words in order, checking that the anchors are numbered w1, w2, ...
std::string unwrap(std::string page1, std::vector<std::string>& wrapped) {
  std::size_t script = page1.find("<style>w:target");
  std::size_t script_end = page1.find("</script>\r\n", script);
  EXPECT_NE(std::string::npos, script_end);
  if (script_end == std::string::npos) return page1;
  page1.erase(script, script_end + 11 - script);
  std::string page;
  std::size_t at = 0;
  for (std::size_t open; (open = page1.find("<w id=w", at)) != std::string::npos;) {
    page.append(page1, at, open - at);
    std::size_t name_end = page1.find('>', open);
    EXPECT_EQ("w" + std::to_string(wrapped.size() + 1), page1.substr(open + 6, name_end - open - 6));
    std::size_t close = page1.find("</w>", name_end);
    wrapped.push_back(page1.substr(name_end + 1, close - name_end - 1));
    page.append(wrapped.back());
    at = close + 4;
  }
  page.append(page1, at, std::string::npos);
  return page;
}

TEST(WordPage, KeepsThePageAndWrapsEveryWord) {
  struct Case {
    std::string page;
    std::vector<std::string> words;
    bool script_before_body_end;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"<html><body><pre>\r\nOne &lt;two&gt;\r\n</pre></body></html>\r\n", {"One", "two"}, true},
           {"no frame at all", {"no", "frame", "at", "all"}, false},
           {"<body>in</body> after", {"in", "after"}, true},
           {std::string("\0\xFF\x01<b>x\xC3\xA9</b>", 10), {"\xFF", "x\xC3\xA9"}, false},
       }) {
    Indexed indexed(c.page);
    std::string page1 = written([&](LineSink& out) { write_word_page(indexed.view, out); });
    std::vector<std::string> wrapped;
    EXPECT_EQ(c.page, unwrap(page1, wrapped));
    EXPECT_EQ(c.words, wrapped);
    std::size_t script = page1.find("<script>");
    std::size_t body_end = page1.find("</body>");
    EXPECT_EQ(c.script_before_body_end, body_end != std::string::npos && script < body_end) << c.page;
  }
}

TEST(WordPage, ScriptOpensTheEntryOfTheWord) {
  Indexed indexed("<body>x</body>");
  std::string page1 = written([&](LineSink& out) { write_word_page(indexed.view, out); });
  // The script reads the anchor element's text and builds the same link as
  // entry_link: page of the initial, fragment of the encoded word.
  EXPECT_NE(std::string::npos, page1.find("addEventListener('dblclick'"));
  EXPECT_NE(std::string::npos, page1.find("node.nodeName === 'W'"));
  EXPECT_NE(std::string::npos,
            page1.find("'i_' + initial + '.htm#' + encodeURIComponent(word)"));
}

TEST(WordPage, EntryLinks) {
  struct Case {
    std::string word;
    std::string link;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"apple", "i_a.htm#apple"},
           {"7up", "i_7.htm#7up"},
           {"\xC3\xA4rger", "i_other.htm#%C3%A4rger"},
           {"\xE4rger", "i_other.htm#%EF%BF%BDrger"},  // as the browser decodes the byte
       })
    EXPECT_EQ(c.link, entry_link(c.word)) << c.word;
}

TEST(InitialPage, EveryOccurrenceGetsALineOfContext) {
  Indexed indexed(
      "<span style=\"color:blue\"; ID=\"2.1\"><b>2.1 Apples</b></span>\r\n"
      "An apple &lt;red&gt; and an APPLE\tgreen\r\n");
  const InitialGroup& a = indexed.groups[2];
  ASSERT_EQ("a", std::string(a.name));  // after "1" and "2"
  std::string page = written([&](LineSink& out) { write_initial_page(indexed.view, a, out); });
  EXPECT_NE(std::string::npos, page.find("<meta charset=\"UTF-8\">"));
  EXPECT_NE(std::string::npos, page.find("<p class=\"w\" id=\"apple\"><b>apple</b> (2)</p>"));
  EXPECT_NE(std::string::npos, page.find("<p class=\"w\" id=\"an\"><b>an</b> (2)</p>"));
  EXPECT_LT(page.find("id=\"an\""), page.find("id=\"and\""));  // byte order
  // The second "apple" is word 9 of the page; its line names chapter 2.1,
  // shows the decoded text escaped again and the tab as a blank.
  std::size_t line = page.find("<a href=\"page1.htm#w9\"><b>APPLE</b></a> green");
  ASSERT_NE(std::string::npos, line);
  std::size_t start = page.rfind('\n', line) + 1;
  EXPECT_EQ("2.1  ", page.substr(start, 5));
  EXPECT_NE(std::string::npos, page.substr(start, line - start).find("apple &lt;red&gt; and an "));
  // An, an, and, apple, APPLE, Apples.
  EXPECT_EQ(6u, count_of(page, "<a href=\"page1.htm#w"));
}

TEST(InitialPage, LongWordsAreCutInContextOnly) {
  std::string word(100, 'x');
  Indexed indexed(word + " " + word);
  std::string page =
      written([&](LineSink& out) { write_initial_page(indexed.view, indexed.groups[0], out); });
  EXPECT_NE(std::string::npos, page.find("<b>" + word + "</b> (2)"));
  EXPECT_EQ(2u, count_of(page, "<b>" + std::string(60, 'x') + "\xE2\x80\xA6</b>"));
}

TEST(IndexPage, ListsInitialsTotalsAndKeywords) {
  Indexed indexed(
      "<span style=\"color:blue\"; ID=\"1.\"><b>1. Plan</b></span>\r\n"
      "Annual-budget-plan id=123456789\r\n"
      "\xC3\xBC" "ber zebra\r\n");
  std::string page = written([&](LineSink& out) { write_index_page(indexed.view, out); });
  EXPECT_NE(std::string::npos, page.find("9 words, 8 different words, 1 chapter, 1 keyword."));
  for (const char* initial : {"1", "a", "b", "i", "p", "z", "other"})
    EXPECT_NE(std::string::npos, page.find("<tr><td><a href=\"i_" + std::string(initial) + ".htm\">"))
        << initial;
  EXPECT_NE(std::string::npos,
            page.find("<tr><td><a href=\"page1.htm#w3\">Annual-budget-plan id=123456789</a></td>"
                      "<td>1.</td></tr>"));
}

TEST(StatisticsPage, WordsByFrequencyAndChapters) {
  Indexed indexed(
      "b b\r\n<span style=\"color:blue\"; ID=\"1.\">c</span> b a a\r\n"
      "<span style=\"color:blue\"; ID=\"1.1\"></span>\r\n");
  std::string page = written([&](LineSink& out) { write_statistics_page(indexed.view, out); });
  std::size_t b = page.find("         3  <a href=\"i_b.htm#b\">b</a>");
  std::size_t a = page.find("         2  <a href=\"i_a.htm#a\">a</a>");
  std::size_t c = page.find("         1  <a href=\"i_c.htm#c\">c</a>");
  ASSERT_NE(std::string::npos, b);
  EXPECT_LT(b, a);
  EXPECT_LT(a, c);
  EXPECT_NE(std::string::npos, page.find("before the first chapter</a></td><td class=\"n\">2</td>"
                                         "<td class=\"n\">1</td>"));
  EXPECT_NE(std::string::npos, page.find("<a href=\"page1.htm#1.\">1.</a></td><td class=\"n\">4</td>"
                                         "<td class=\"n\">3</td>"));
  EXPECT_NE(std::string::npos, page.find("<a href=\"page1.htm#1.1\">1.1</a></td><td class=\"n\">0</td>"));
}

}  // namespace
}  // namespace kestram::lexpage

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
        view{3, page, scan, index} {}
  std::string page;
  PageScan scan;
  WordIndex index;
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
  // The bar floats in the window's corner, out of the text's way.
  EXPECT_NE(std::string::npos, page1.find("<nav class=\"lexpage\"><a href=\"index1.htm\">Index of all words</a> | "
                                          "<a href=\"search.htm\">Search</a></nav>"));
  EXPECT_NE(std::string::npos, page1.find("position:fixed"));
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

// The lines of every word in byte order, each occurrence's in page order.
TEST(ContextLines, EveryOccurrenceGetsALine) {
  Indexed indexed(
      "<span style=\"color:blue\"; ID=\"2.1\"><b>2.1 Apples</b></span>\r\n"
      "An apple &lt;red&gt; and an APPLE\tgreen\r\n");
  std::vector<std::uint64_t> bytes;
  std::string lines = written([&](LineSink& out) { bytes = write_context_lines(indexed.view, out); });
  // 1, 2, an, and, apple, apples, green, red: the sizes add up to the text.
  ASSERT_EQ(8u, bytes.size());
  std::uint64_t total = 0;
  for (std::uint64_t b : bytes) total += b;
  EXPECT_EQ(lines.size(), total);
  // "an": two lines, "An" then "an".
  std::string an = lines.substr(bytes[0] + bytes[1], bytes[2]);
  EXPECT_EQ(2u, count_of(an, "\r\n"));
  EXPECT_LT(an.find("<b>An</b>"), an.find("<b>an</b>"));
  // The second "apple" is word 9 of the page; its line names chapter 2.1,
  // shows the decoded text escaped again and the tab as a blank.
  std::size_t line = lines.find("<a href=\"page3.htm#w9\"><b>APPLE</b></a> green");
  ASSERT_NE(std::string::npos, line);
  std::size_t start = lines.rfind('\n', line) + 1;
  EXPECT_EQ("2.1  ", lines.substr(start, 5));
  EXPECT_NE(std::string::npos, lines.substr(start, line - start).find("apple &lt;red&gt; and an "));
  EXPECT_EQ(10u, count_of(lines, "<a href=\"page3.htm#w"));
}

TEST(ContextLines, LongWordsAreCut) {
  std::string word(100, 'x');
  Indexed indexed(word + " " + word);
  std::string lines = written([&](LineSink& out) { write_context_lines(indexed.view, out); });
  EXPECT_EQ(2u, count_of(lines, "<b>" + std::string(60, 'x') + "\xE2\x80\xA6</b>"));
}

}  // namespace
}  // namespace kestram::lexpage

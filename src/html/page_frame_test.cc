#include "html/page_frame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "html/companion_text.h"
#include "restructure/indent_pass.h"
#include "support/chapter_rows.h"
#include "support/page_lines.h"
#include "support/temp_dir.h"
#include "text/lines.h"

namespace kestram {
namespace {

using testing::chapter_table_of;
using testing::ChapterRow;
using testing::lines;
using testing::table_of_document;

const std::string kOpening = lines({
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
    "<html>",
    "<head>",
    "<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=UTF-8\">",
    "</head>",
    "<body>",
    "<pre>",
    "<p style=\"font-family:Arial; font-size:100%;\">",
});
const std::string kClosing = lines({"</p>", "</pre>", "</body>", "</html>"});

// The page of an indented text, the contents (when asked for) made from the
// text as a run on a file does it.
std::string page_of(std::string_view text, const ChapterTable& table, bool with_contents) {
  std::string out;
  StringSink sink(out);
  Page page(table, sink);
  if (with_contents) {
    LineReader headings = LineReader::from_memory(text);
    page.begin_contents();
    add_contents_from_text(headings, table, page);
    page.end_contents();
  }
  LineReader body = LineReader::from_memory(text);
  std::string_view line;
  while (body.next(line)) page.write_line(line);
  page.finish();
  return out;
}

const std::string kContentsHead = lines({"<b>TABLE OF CONTENTS</b>"});
const std::string kContentsTail = lines({"<br>", "<b>END TABLE OF CONTENTS</b>", "<br>"});

// The contents of a page, made from the table with `unit`: the entries alone.
std::string contents_from_table(const ChapterTable& table, std::string_view unit) {
  std::string out;
  StringSink sink(out);
  Page page(table, sink);
  page.begin_contents();
  add_contents_from_table(table, unit, page);
  page.end_contents();
  const std::size_t head = kOpening.size() + kContentsHead.size();
  return out.substr(head, out.size() - head - kContentsTail.size());
}

TEST(PageFrame, ContentsEntries) {
  struct Case {
    const char* line;
    const char* number;
    const char* expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"    2.1 Budget (HR)", "2.1", "    <b>2.1 Budget (HR) <a href=\"#2.1\">2.1</a> </b>"},
           {"  3. Results  ", "3.", "  <b>3. Results <a href=\"#3.\">3.</a> </b>"},
           {"1. A<B> & C", "1.", "<b>1. A&lt;B&gt; & C <a href=\"#1.\">1.</a> </b>"},
           {"\t1. Tab", "1.", "<b>\t1. Tab <a href=\"#1.\">1.</a> </b>"},
           {"", "", "<b> <a href=\"#\"></a> </b>"},
       }) {
    std::string out;
    StringSink sink(out);
    Page page(chapter_table_of({}), sink);
    page.add_contents_entry(c.line, c.number);
    EXPECT_EQ(lines({c.expected}), out.substr(kOpening.size())) << c.line;
  }
}

// The entries made from the table alone are those made from the indented
// text: titles of every length with blanks and brackets anywhere, numbers of
// every length, with and without a unit code.
TEST(PageFrame, ContentsFromTheTableAreThoseOfTheIndentedText) {
  std::mt19937 random(29);
  const char kTitleBytes[] = {'a', ' ', '<', '>', 'x', '&', '\t'};
  for (int round = 0; round < 40; ++round) {
    std::string document;
    std::string number;
    for (int mark = 0; mark < 60; ++mark) {
      number = random() % 3 == 0 ? std::to_string(1 + random() % 20000) + "." : number + "1.";
      if (number.size() > 40) number = "1.";
      std::string title(random() % 50, 'a');
      for (char& c : title) c = kTitleBytes[random() % (random() % 4 == 0 ? sizeof kTitleBytes : 2)];
      // Mostly a blank between number and title; without one, the title
      // joins the first word, which may make the line no mark.
      document += std::string(random() % 3, ' ') + number + (random() % 8 == 0 ? "" : " ") + title + "\n";
      if (random() % 2 == 0) document += "body line\n";
    }
    const char* const kUnits[] = {"", "HR", "<u>"};
    const std::string unit = kUnits[round % 3];
    const ChapterTable table = table_of_document(document, 1 + round % 3);
    ASSERT_GT(table.candidate_count(), 0u);

    const std::string indented = testing::indent_with(table, document, unit);
    const std::string page = page_of(indented, table, true);
    const std::size_t head = kOpening.size() + kContentsHead.size();
    ASSERT_EQ(0u, page.find(kOpening + kContentsHead));
    const std::string from_table = contents_from_table(table, unit);
    ASSERT_EQ(page.substr(head, from_table.size() + kContentsTail.size()), from_table + kContentsTail) << document;
  }
}

TEST(PageFrame, FrameWithAndWithoutContents) {
  const ChapterTable none = chapter_table_of({});
  EXPECT_EQ(kOpening + lines({"text"}) + kClosing, page_of("text", none, false));
  // Contents asked for but no heading line: the four contents lines stand together.
  EXPECT_EQ(kOpening +
                lines({"<b>TABLE OF CONTENTS</b>", "<br>", "<b>END TABLE OF CONTENTS</b>", "<br>", "text"}) +
                kClosing,
            page_of("text", none, true));
  EXPECT_EQ(kOpening + kClosing, page_of("", none, false));
}

// The bytes pass unchanged; a document that is no UTF-8 (a Latin-1 "É") is
// declared in windows-1252, and only that line changes.
TEST(PageFrame, ContentTypeFollowsTheDocumentsBytes) {
  struct Case {
    std::string document;
    std::string_view declaration;
  };
  const std::string utf8_line = "<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=UTF-8\">";
  for (const Case& c : std::initializer_list<Case>{
           {"1. \xC3\x89" "cart\nplain\n", kUtf8ContentTypeLine},
           {"1. \xC9" "cart\nplain\n", kWindows1252ContentTypeLine},
           {"1. Ecart\nplain \xE2\x82\n", kWindows1252ContentTypeLine},  // cut off at the line end
       }) {
    const ChapterTable table = table_of_document(c.document, 2);
    std::string opening = kOpening;
    opening.replace(opening.find(utf8_line), utf8_line.size(), c.declaration);
    const std::string indented = testing::indent_with(table, c.document);
    const std::string page = page_of(indented, table, false);
    EXPECT_EQ(0u, page.find(opening)) << c.document;
    EXPECT_NE(std::string::npos, page.find(c.document.substr(3, 5))) << c.document;
  }
}

// Golden pages: tests/golden/html/<case>/ holds indented.txt, case.txt
// ("contents: yes|no" and "chapter: <mark line> <chapter number>" lines) and
// the expected page, companion text and last table file.
struct GoldenCase {
  bool with_contents = false;
  std::vector<ChapterRow> rows;
};

GoldenCase read_case(const std::string& path) {
  GoldenCase golden;
  std::istringstream in(testing::read_file(path));
  std::string key;
  while (in >> key) {
    if (key == "contents:") {
      std::string value;
      in >> value;
      golden.with_contents = value == "yes";
    } else if (key == "chapter:") {
      ChapterRow row;
      in >> row.mark_line >> row.chapter_number;
      golden.rows.push_back(row);
    }
  }
  return golden;
}

// The first differing line, for a readable failure.
std::string first_difference(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected), a(actual);
  std::string el, al;
  for (int number = 1;; ++number) {
    const bool more_e = static_cast<bool>(std::getline(e, el));
    const bool more_a = static_cast<bool>(std::getline(a, al));
    if (!more_e && !more_a) return "same lines, different bytes";
    if (el != al || more_e != more_a)
      return "line " + std::to_string(number) + ":\n  expected: " + (more_e ? el : "<end>") +
             "\n  actual:   " + (more_a ? al : "<end>");
  }
}

TEST(PageFrame, GoldenPages) {
  const std::filesystem::path root = std::filesystem::path(KESTRAM_SOURCE_DIR) / "tests/golden/html";
  const std::filesystem::path out_dir = std::filesystem::path(KESTRAM_BINARY_DIR) / "html_pages";
  std::filesystem::create_directories(out_dir);
  int cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++cases;
    const GoldenCase golden = read_case((entry.path() / "case.txt").string());
    const ChapterTable table = chapter_table_of(golden.rows);

    // The page with its companion text, and the last table block, as a run
    // makes them from the indented text file.
    std::string page;
    std::string companion;
    StringSink page_sink(page);
    StringSink companion_sink(companion);
    CompanionFilter filter(companion_sink);
    Tee page_lines(page_sink, filter);
    const std::string indented = (entry.path() / "indented.txt").string();
    Page html(table, page_lines);
    if (golden.with_contents) {
      LineReader headings(indented);
      html.begin_contents();
      add_contents_from_text(headings, table, html);
      html.end_contents();
    }
    LineReader body(indented);
    std::string_view line;
    while (body.next(line)) html.write_line(line);
    html.finish();
    std::string table_file;
    if (const TableBlockLines* block = html.last_table_block())
      for (std::size_t i = 0; i < block->size(); ++i) table_file += std::string((*block)[i]) + "\r\n";

    const std::string expected_page = testing::read_file((entry.path() / "expected_indent.htm").string());
    EXPECT_EQ(expected_page, page) << first_difference(expected_page, page);
    const std::string expected_companion = testing::read_file((entry.path() / "expected_com_ndx.txt").string());
    EXPECT_EQ(expected_companion, companion) << first_difference(expected_companion, companion);
    EXPECT_EQ(testing::read_file((entry.path() / "expected_table.txt").string()), table_file);
    // Kept for the browser check (tests/browser/check_page.py).
    testing::write_file((out_dir / (name + "_indent.htm")).string(), page);
  }
  EXPECT_GE(cases, 2);
}

// Random documents made of the notation's keywords: whatever the mix, the
// page keeps its frame and every table is a full grid.
TEST(PageFrame, RandomDocumentsKeepTheirShape) {
  const char* const kPieces[] = {
      "table_start: cap", "TABLE_START:", "column: n", "  column:", "align: right", "align:",
      "table_end:", "cell <x>", "", "   ", "<b>b</b>", "look_at: 1.", "look_at: 1.1", "see http://x",
      "file:///y", "1. H", "  1.1 H", "<p style=q>"};
  std::mt19937 random(20240607);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int line_total = static_cast<int>(random() % 40);
    for (int i = 0; i < line_total; ++i) {
      text += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
      text += (random() % 3 == 0) ? "\r" : "\n";
    }
    std::vector<ChapterRow> rows;
    std::uint64_t line = 0;
    for (int chapter = 1; chapter <= 8; ++chapter) {
      line += 1 + random() % 8;
      rows.push_back({line, chapter % 2 ? std::to_string(chapter) + "." : "1.1"});
    }
    const ChapterTable table = chapter_table_of(rows);
    const std::string page = page_of(text, table, random() % 2 == 0);
    SCOPED_TRACE(text);

    ASSERT_EQ(0u, page.find(kOpening));
    ASSERT_EQ(page.size() - kClosing.size(), page.rfind(kClosing));
    std::istringstream in(page);
    std::string page_line;
    bool in_table = false;
    long cells_per_row = -1;
    long cells = 0;
    while (std::getline(in, page_line)) {
      page_line.pop_back();  // the CR of CR LF
      if (page_line.rfind("<table ", 0) == 0) {
        ASSERT_FALSE(in_table);
        in_table = true;
        cells_per_row = -1;
      } else if (in_table && page_line == " </table>") {
        in_table = false;
      } else if (in_table && page_line == "<tr>") {
        cells = 0;
      } else if (in_table && page_line == "</tr>") {
        if (cells_per_row >= 0) {
          ASSERT_EQ(cells_per_row, cells);
        }
        cells_per_row = cells;
      } else if (in_table && (page_line.rfind("<td", 0) == 0 || page_line.rfind("<th>", 0) == 0)) {
        ++cells;
      }
    }
    ASSERT_FALSE(in_table);
  }
}

}  // namespace
}  // namespace kestram

// What the page holds is shown by tests/examples/page.txt; these check, on
// documents of random pieces, that the contents made from the table are those
// made from the indented text, and that every table is a full grid.
#include "html/page_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "support/chapter_rows.h"
#include "text/lines.h"

namespace kestram {
namespace {

// The page of an indented text, with contents made from the text as a run on
// a file does it, or from the table (then without a body).
std::string page_of(std::string_view text, const ChapterTable& table, bool contents,
                    std::string_view unit_for_table_contents = "<none>") {
  std::string out;
  StringSink sink(out);
  Page page(table, sink);
  LineReader headings = LineReader::from_memory(text);
  if (contents || unit_for_table_contents != "<none>") page.begin_contents();
  if (unit_for_table_contents != "<none>") add_contents_from_table(table, unit_for_table_contents, page);
  else if (contents) add_contents_from_text(headings, table, page);
  if (contents || unit_for_table_contents != "<none>") page.end_contents();
  LineReader body = LineReader::from_memory(unit_for_table_contents != "<none>" ? "" : text);
  feed_lines(body, page);
  return out;
}

std::string contents_in(const std::string& page) {
  const std::size_t from = page.find("<b>TABLE OF CONTENTS</b>");
  return page.substr(from, page.find("<b>END TABLE OF CONTENTS</b>") - from);
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
    ChapterTable table;
    LineReader scan = LineReader::from_memory(document);
    table.set_candidate_count(scan_chapter_marks(scan, table));
    renumber_chapters(table, 1 + round % 3);
    std::string indented;
    StringSink indented_sink(indented);
    Indenter indenter(table, unit, indented_sink);
    LineReader input = LineReader::from_memory(document);
    feed_lines(input, indenter);
    ASSERT_EQ(contents_in(page_of(indented, table, true)), contents_in(page_of("", table, true, unit))) << document;
  }
}

// Random documents made of the notation's keywords: whatever the mix, every
// table is a full grid.
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
    std::vector<testing::ChapterRow> rows;
    std::uint64_t line = 0;
    for (int chapter = 1; chapter <= 8; ++chapter) {
      line += 1 + random() % 8;
      rows.push_back({line, chapter % 2 ? std::to_string(chapter) + "." : "1.1"});
    }
    const ChapterTable table = testing::chapter_table_of(rows);
    const std::string page = page_of(text, table, random() % 2 == 0);
    SCOPED_TRACE(text);

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

#include "html/page_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "html/companion_text.h"
#include "restructure/indent_pass.h"
#include "support/chapter_rows.h"
#include "support/page_lines.h"
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

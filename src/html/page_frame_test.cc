// What the page holds is shown by tests/examples/page.txt; this checks, on
// documents of random pieces, that every table is a full grid.
#include "html/page_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/chapter_rows.h"
#include "text/lines.h"

namespace kestram {
namespace {

// The page of an indented text, with contents when asked for.
std::string page_of(std::string_view text, const ChapterTable& table, bool contents) {
  std::string out;
  StringSink sink(out);
  Page page(table, sink);
  LineReader headings = LineReader::from_memory(text);
  if (contents) {
    page.begin_contents();
    add_contents_from_text(headings, table, page);
    page.end_contents();
  }
  LineReader body = LineReader::from_memory(text);
  feed_lines(body, page);
  return out;
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

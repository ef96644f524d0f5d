#include "html/table_block.h"

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <string>

#include "support/page_lines.h"
#include "text/lines.h"

namespace kestram {
namespace {

using testing::kTableTag;
using testing::lines;

// The lines of a block; a line that starts with "#N " is the heading of
// chapter N (the mark is not part of the line).
TableBlockLines block_lines(std::string_view text) {
  TableBlockLines lines;
  LineReader reader = LineReader::from_memory(text);
  std::string_view line;
  static std::deque<std::string> ids;  // stay where they are for the views
  while (reader.next(line)) {
    if (line.substr(0, 1) != "#") {
      lines.add(line);
      continue;
    }
    const std::size_t blank = line.find(' ');
    ids.emplace_back(line.substr(1, blank - 1));
    lines.add(line.substr(blank + 1), ids.back());
  }
  return lines;
}

// A compact picture of a parsed block:
// caption | name(alignment): cell, cell | ... # row count
std::string describe(const TableBlock& block) {
  std::string text(block.caption);
  for (const TableColumn& column : block.columns) {
    text += " | ";
    text += column.name;
    if (!column.alignment.empty()) text += "(" + column.alignment + ")";
    text += ":";
    for (std::size_t i = 0; i < column.cells.size(); ++i) {
      text += i ? ", " : " ";
      text += column.cells[i];
    }
  }
  return text + " #" + std::to_string(block.row_count);
}

TEST(TableBlock, ParseShapes) {
  struct Case {
    const char* block;
    const char* expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"table_start: Prices\ncolumn: Item\nalign: left\nTea\nCoffee\ncolumn: Price\n"
            "align: right\n2.50\n3.10\ntable_end:",
            "Prices | Item(left): Tea, Coffee | Price(right): 2.50, 3.10 #2"},
           // keywords in any case and indentation; alignment lower-cased,
           // names and cells keep their case; the value skips one separator
           {"  TABLE_START:  Two Blanks \n   COLUMN: Name \n  ALIGN: RIGHT\n  Cell A\n Table_End:",
            " Two Blanks | Name(right): Cell A #1"},
           {"table_start:\ncolumn:\nx\ncolumn:Ab\ny\ntable_end:", " | : x | b: y #1"},
           // lines before the first column line are ignored
           {"table_start: T\nstray\nalign: left\n\ncolumn: A\nx\ntable_end:", "T | A: x #1"},
           // a column line directly after a column line is a cell
           {"table_start:\ncolumn: A\ncolumn: B\nx\ntable_end:", " | A: column: B, x #2"},
           // ... but the one after that opens a column again
           {"table_start:\ncolumn: A\ncolumn: B\ncolumn: C\ny\ntable_end:", " | A: column: B | C: y #1"},
           // an align line elsewhere is a cell
           {"table_start:\ncolumn: A\nx\nalign: right\ntable_end:", " | A: x, align: right #2"},
           {"table_start:\ncolumn: A\nalign: Left\nalign: right\ntable_end:", " | A(left): align: right #1"},
           {"table_start:\ncolumn: A\ncolumn: B\nalign: left\ntable_end:", " | A: column: B, align: left #2"},
           // an align line with no value gives no alignment
           {"table_start:\ncolumn: A\nalign:\nx\ntable_end:", " | A: x #1"},
           // empty lines and blank lines are empty cells
           {"table_start:\ncolumn: A\nx\n\n   \ny\ntable_end:", " | A: x, , , y #4"},
           // the end line right after a column line ends the block
           {"table_start:\ncolumn: A\nx\ncolumn: B\ntable_end:", " | A: x | B: #1"},
           {"table_start:\ncolumn: A\ntable_end:", " | A: #0"},
           // no end line: the block runs to the end, the last column counts
           {"table_start:\ncolumn: A\nx\ncolumn: B\n1\n2\n3", " | A: x | B: 1, 2, 3 #3"},
           {"table_start:\ncolumn: A", " | A: #0"},
           {"table_start:\ncolumn: A\nalign: center", " | A(center): #0"},
           // no column line at all
           {"table_start: Cap\nfoo\ntable_end:", "Cap #0"},
           {"table_start:", " #0"},
           // columns of different lengths
           {"table_start:\ncolumn: A\n1\ncolumn: B\n1\n2\n3\ncolumn: C\n1\n2\ntable_end:",
            " | A: 1 | B: 1, 2, 3 | C: 1, 2 #3"},
       })
    EXPECT_EQ(c.expected, describe(parse_table_block(block_lines(c.block)))) << c.block;
}

std::string render(std::string_view block_text) {
  std::string page;
  StringSink sink(page);
  write_table_block(parse_table_block(block_lines(block_text)), sink);
  return page;
}

TEST(TableBlock, WritingRules) {
  struct Case {
    const char* block;
    std::string expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           // padding cells carry no alignment
           {"table_start:\ncolumn: A\nalign: right\nx\ncolumn: B\n1\n2\ntable_end:",
            lines({kTableTag, "<tr>", "<th>A</th>", "<th>B</th>", "</tr>",
                   "<tr>", "<td align=\"right\">x</td>", "<td>1</td>", "</tr>",
                   "<tr>", "<td></td>", "<td>2</td>", "</tr>", " </table>"})},
           // no names at all: no header row
           {"table_start:\ncolumn:\nx\ncolumn:\ny\ntable_end:",
            lines({kTableTag, "<tr>", "<td>x</td>", "<td>y</td>", "</tr>", " </table>"})},
           // one name: every column gets a header cell
           {"table_start:\ncolumn:\nx\ncolumn: B\ny\ntable_end:",
            lines({kTableTag, "<tr>", "<th></th>", "<th>B</th>", "</tr>",
                   "<tr>", "<td>x</td>", "<td>y</td>", "</tr>", " </table>"})},
           // markup in names, alignment and cells reaches the page as written
           {"table_start:\ncolumn: <i>N</i>\nalign: \"x\" Y\n<b>bold</b> & more\ntable_end:",
            lines({kTableTag, "<tr>", "<th><i>N</i></th>", "</tr>",
                   "<tr>", "<td align=\"\"x\" y\"><b>bold</b> & more</td>", "</tr>", " </table>"})},
           // no column line: the tag, the caption and the end tag only
           {"table_start: &lt;b&gt;Cap\ntable_end:",
            lines({kTableTag, "<caption><b>&lt;b&gt;Cap</b></caption>", " </table>"})},
           // an escaped bracket right after the keyword is no separator to skip
           {"table_start:&lt;b&gt;Cap\ntable_end:",
            lines({kTableTag, "<caption><b>&lt;b&gt;Cap</b></caption>", " </table>"})},
           {"table_start:&gt;\ntable_end:", lines({kTableTag, "<caption><b>&gt;</b></caption>", " </table>"})},
           {"table_start:&amp;x\ntable_end:", lines({kTableTag, "<caption><b>amp;x</b></caption>", " </table>"})},
           // headings in a block: the cell that holds one carries its id (with
           // the alignment behind it); one that no cell holds (before the
           // first column line, or the opening line) gets an anchor in front
           {"#9. table_start: T\n#1. 1. Lost\nstray\n#2. 2. Too\ncolumn: A\nalign: right\nx\n#3. 3. In\n"
            "column: B\n#4. 4. Here\ntable_end:",
            lines({"<a ID=\"9.\"></a><a ID=\"1.\"></a><a ID=\"2.\"></a>" + std::string(kTableTag),
                   "<caption><b>T</b></caption>", "<tr>", "<th>A</th>", "<th>B</th>", "</tr>", "<tr>",
                   "<td align=\"right\">x</td>", "<td ID=\"4.\">4. Here</td>", "</tr>", "<tr>",
                   "<td ID=\"3.\" align=\"right\">3. In</td>", "<td></td>", "</tr>", " </table>"})},
           {"table_start:", lines({kTableTag, " </table>"})},
           // a header row with no data rows
           {"table_start:\ncolumn: A\ntable_end:", lines({kTableTag, "<tr>", "<th>A</th>", "</tr>", " </table>"})},
       })
    EXPECT_EQ(c.expected, render(c.block)) << c.block;
}

std::string collected(const std::string& block_text) {
  std::string page;
  StringSink sink(page);
  write_collected_block(block_lines(block_text), sink);
  return page;
}

TEST(TableBlock, GridSizeGuard) {
  // A long column among many short ones: 2,000 rows x 1,001 columns from
  // 4,003 lines would pad the page with two million empty cells.
  std::string ragged = "column: long\n<x>\n";
  for (int i = 1; i < 2000; ++i) ragged += "x\n";
  for (int i = 0; i < 1000; ++i) ragged += "column: c\ny\n";
  ragged += "table_end:\n";
  const std::string refused = collected("table_start: &lt;Big\n#7. " + ragged);
  EXPECT_EQ(std::string::npos, refused.find("<table"));
  // The block is kept as text, one page line per line, escaped (the
  // opening line comes escaped already).
  // A heading's line keeps an anchor in front.
  EXPECT_EQ(0u, refused.find("table_start: &lt;Big\r\n<a ID=\"7.\"></a>column: long\r\n&lt;x&gt;\r\nx\r\n"));
  std::size_t page_lines = 0;
  for (char ch : refused) page_lines += ch == '\n';
  EXPECT_EQ(4003u, page_lines);

  // A dense table of the same grid size is written as a table.
  std::string dense;
  for (int c = 0; c < 1001; ++c) {
    dense += "column: c\n";
    for (int r = 0; r < 1100; ++r) dense += "v\n";
  }
  EXPECT_EQ(0u, collected("table_start: Dense\n" + dense).find(kTableTag));

  TableBlock block;
  block.columns.resize(1024);
  block.row_count = 1024;  // exactly the always-accepted size
  EXPECT_TRUE(table_grid_is_reasonable(block, 3));
  block.row_count = 1025;
  EXPECT_FALSE(table_grid_is_reasonable(block, 3));
  EXPECT_TRUE(table_grid_is_reasonable(block, 1025 * 1024 / 16));
}

}  // namespace
}  // namespace kestram

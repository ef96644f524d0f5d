// Table blocks of the document notation.
//
// A block opens with a "table_start:" line (its caption follows the keyword)
// and gives the table column by column: a "column:" line with the column's
// name, optionally an "align:" line directly after it, then one line per cell,
// row 1 first. A "table_end:" line closes the block; without one the block
// runs to the end of the document.
//
// The block's lines are held in memory while it is handled, so memory grows
// with the largest block and never with the document; the last block's lines
// are also copied to a work file for the user to inspect, and parsing never
// reads that file back.
//
// A chapter heading inside a block keeps its anchor: the cell that holds its
// line carries the chapter number as its id, and a heading line that no cell
// holds gets an empty anchor element in front of the table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/line_sink.h"

namespace kestram {

// The lines of one block, the opening line first, stored in one buffer, and
// the chapter numbers of those that are headings.
class TableBlockLines {
 public:
  // `anchor`, when not empty, is the chapter number of the heading that the
  // line is; it must outlive this object.
  void add(std::string_view line, std::string_view anchor = {});
  void clear();  // keeps the buffers for the next block
  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t index) const;
  // (line index, chapter number) of the heading lines, in line order.
  const std::vector<std::pair<std::size_t, std::string_view>>& anchors() const { return anchors_; }

 private:
  std::string text_;
  std::vector<std::size_t> ends_;  // one past the last byte of each line
  std::vector<std::pair<std::size_t, std::string_view>> anchors_;
};

struct TableColumn {
  std::string_view name;                  // letter case kept; may be empty
  std::string alignment;                  // lower case; empty means none
  std::vector<std::string_view> cells;    // stripped cell lines, row 1 first
};

// The id of a heading's cell: row and column count from 0.
struct CellAnchor {
  std::size_t row;
  std::size_t column;
  std::string_view id;
};

// A parsed block. Views point into the TableBlockLines it was parsed from.
struct TableBlock {
  std::string_view caption;               // may be empty
  std::vector<TableColumn> columns;
  std::size_t row_count = 0;              // the most cells under any column
  std::vector<CellAnchor> cell_anchors;   // in row order, then column order
  std::vector<std::string_view> loose_anchors;  // of heading lines no cell holds
};

// Whether a line (stripped, any letter case) opens a table block.
bool is_table_start(std::string_view line);

// Whether a line, stripped, closes a block ("table_end:", any letter case).
bool is_end_line(std::string_view stripped_line);

// Reads the shape and the contents of a block from its lines. The caption is
// taken from the first line, which must be the opening line (escaped): the
// separator after the keyword is skipped unless it starts an escaped bracket,
// so the caption never begins inside "&lt;" or "&gt;".
//
// A column line opens the next column; the line directly after it is the
// column's align line when it is one, closes the block when it is an end line,
// and is otherwise the column's first cell, even when it is another column
// line. Lines before the first column line are ignored. Every other line is a
// cell of the current column, the empty line included, until the end line.
TableBlock parse_table_block(const TableBlockLines& lines);

// Writes the table markup, one element per page line. Column names, alignment
// and cell texts are written as they stand (authors may put markup in cells);
// short columns are padded with empty cells, which carry no alignment. The
// loose anchors stand in front of the table tag, on its line.
void write_table_block(const TableBlock& block, LineSink& page);

// Whether writing the block as a table is reasonable. Padding cells cost
// output but no input: a few very long columns among many short ones would
// multiply a small block into a page of unbounded size. Tables whose grid is
// far larger than their block are refused.
bool table_grid_is_reasonable(const TableBlock& block, std::size_t block_line_count);

// Writes a block whose lines are all collected: as a table, or, when the
// block fails table_grid_is_reasonable(), as escaped text lines, so nothing of
// it is lost (a heading line then with an empty anchor element in front).
void write_collected_block(const TableBlockLines& lines, LineSink& page);

}  // namespace kestram

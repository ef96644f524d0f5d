// Table blocks of the document notation.
//
// A block opens with a "table_start:" line (its caption follows the keyword)
// and gives the table column by column: a "column:" line with the column's
// name, optionally an "align:" line directly after it, then one line per cell,
// row 1 first. A "table_end:" line closes the block; without one the block
// runs to the end of the document.
//
// The block's lines are held in memory while it is handled, so memory grows
// with the largest block and never with the document; they are also copied to
// a work file for the user to inspect, and parsing never reads that file back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/lines.h"

namespace kestram {

// The lines of one block, the opening line first, stored in one buffer.
class TableBlockLines {
 public:
  void add(std::string_view line);
  void clear();  // keeps the buffers for the next block
  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t index) const;

 private:
  std::string text_;
  std::vector<std::size_t> ends_;  // one past the last byte of each line
};

struct TableColumn {
  std::string_view name;                  // letter case kept; may be empty
  std::string alignment;                  // lower case; empty means none
  std::vector<std::string_view> cells;    // stripped cell lines, row 1 first
};

// A parsed block. Views point into the TableBlockLines it was parsed from.
struct TableBlock {
  std::string_view caption;               // may be empty
  std::vector<TableColumn> columns;
  std::size_t row_count = 0;              // the most cells under any column
};

// Whether a line (stripped, any letter case) opens a table block.
bool is_table_start(std::string_view line);

// Whether a line, stripped, closes a block ("table_end:", any letter case).
bool is_end_line(std::string_view stripped_line);

// Reads the shape and the contents of a block from its lines. The caption is
// taken from the first line, which must be the opening line.
//
// A column line opens the next column; the line directly after it is the
// column's align line when it is one, closes the block when it is an end line,
// and is otherwise the column's first cell, even when it is another column
// line. Lines before the first column line are ignored. Every other line is a
// cell of the current column, the empty line included, until the end line.
TableBlock parse_table_block(const TableBlockLines& lines);

// Writes the table markup, one element per page line. Column names, alignment
// and cell texts are written as they stand (authors may put markup in cells);
// short columns are padded with empty cells, which carry no alignment.
void write_table_block(const TableBlock& block, LineWriter& page);

// Whether writing the block as a table is reasonable. Padding cells cost
// output but no input: a few very long columns among many short ones would
// multiply a small block into a page of unbounded size. Tables whose grid is
// far larger than their block are refused.
bool table_grid_is_reasonable(const TableBlock& block, std::size_t block_line_count);

// Handles the block opened by `opening_line` (already escaped for the page),
// the reader standing right after it: takes the remaining lines of the block
// from `indented` (through its end line, or to the end of input) into `lines`,
// which then hold the whole block as it stands, opening line first, and
// writes the table to `page`. A block that fails table_grid_is_reasonable()
// is written as escaped text lines instead, so nothing of it is lost.
//
// Returns the number of lines of the block, the opening line included.
std::uint64_t render_table_block(std::string_view opening_line, LineReader& indented,
                                 TableBlockLines& lines, LineWriter& page);

// Writes a block whose lines are all collected, as render_table_block() does.
void write_collected_block(const TableBlockLines& lines, LineWriter& page);

// Hears of the work file of a table block once it is closed (ok() and error()
// tell whether it was fully written), so that a failure can be reported.
using TableFileClosed = std::function<void(const LineWriter&)>;

// Copies a block's lines to the work file that `open_table_file` creates. The
// file is only for the user's eyes: a failure to write it changes nothing on
// the page, but `table_file_closed`, when set, hears of it.
void write_table_file(const TableBlockLines& lines, const std::function<LineWriter()>& open_table_file,
                      const TableFileClosed& table_file_closed = {});

}  // namespace kestram

// The HTML page: its fixed frame, the optional table of contents and the body.
//
// The whole body sits in one "pre" element so that the indentation of the
// indented text shows column for column. The frame lines are fixed text: the
// companion text for the indexer recognises and drops them by that text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "html/table_block.h"
#include "restructure/chapter_table.h"
#include "text/lines.h"

namespace kestram {

std::string html_file_name(std::string_view base_name);   // base + "_indent.htm"
std::string table_file_name(std::string_view base_name);  // base + "_table.txt"

// The contents entry of a heading line: the line's leading blanks, then in
// bold the escaped, stripped line and a link to the heading's anchor.
std::string contents_entry(std::string_view heading_line, std::string_view chapter_number);
// The same entry written to the page, without its line end.
void write_contents_entry(std::string_view heading_line, std::string_view chapter_number, LineWriter& page);

// The contents pass: one entry for every heading line of `indented`, read from
// where it stands to its end, in file order. `table` must be finished.
void write_contents(LineReader& indented, const ChapterTable& table, LineWriter& page);

// The page in parts, for a caller that feeds the body line by line
// (BodyWriter): the fixed opening lines; the table of contents, its entries
// written by `write_entries` between the fixed lines around them; the fixed
// closing lines.
void write_page_opening(LineWriter& page);
void write_contents_section(const std::function<void(LineWriter&)>& write_entries, LineWriter& page);
void write_page_closing(LineWriter& page);

// The entries that write_contents() gives for the indented text of the
// table's document (written with org_unit_code), from the table alone: every
// row keeps its chapter-mark line, and the indented text holds each heading
// line at its row's line number. Every row's indentation must be at most
// kMaxIndentBlanks.
// With `copy`, every entry line goes to it as well (an entry holds no frame
// markup: a companion text takes the entries as they are).
void write_contents_from_table(const ChapterTable& table, std::string_view org_unit_code, LineWriter& page,
                               LineWriter* copy = nullptr);
// The number of bytes that write_contents_from_table() writes, line ends
// included, from the table alone.
std::uint64_t contents_from_table_size(const ChapterTable& table, std::string_view org_unit_code);

// Writes the whole page: fixed lines 1-8, the table of contents when
// with_contents (its own pass over `indented`), then rewinds `indented` and
// runs the body pass, then the closing lines. open_table_file creates the work
// file of the last table block (called at most once); in a normal run it returns
// LineWriter(table_file_name(base)), in tests a memory writer. `table` must be
// finished. Failures to write are left in `page` (ok(), error()); each table
// work file is handed to `table_file_closed` (when set) once it is closed.
void write_page(LineReader& indented, const ChapterTable& table, bool with_contents,
                const std::function<LineWriter()>& open_table_file, LineWriter& page,
                const TableFileClosed& table_file_closed = {});

}  // namespace kestram

// Rendering of the page body: every line of the indented text becomes one
// line of the page (a table block becomes a table), by the first rule of this
// order that applies:
//
//   1. bold line    "<b>...</b>" as a whole, written exactly as read
//   2. web link     first "http" (any case) and the address behind it
//   3. file link    first "file:///" (any case), when the line has no "http"
//   4. cross-ref    "look_at: N" naming an existing chapter number
//   5. table block  a "table_start:" line, handed to the table unit
//   6. heading      the chapter-mark line of a chapter, as a coloured anchor
//   7. plain        anything else, escaped
//
// Every rule but the first works on the escaped line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "html/companion_text.h"
#include "html/table_block.h"
#include "restructure/chapter_table.h"
#include "text/lines.h"

namespace kestram {

enum class BodyRule { kBold, kLink, kCrossReference, kTableStart, kHeading, kPlain };

// Whether no rule but the heading and the plain one can apply to the line,
// and escaping it would change nothing: it holds no "<" or ">" (so it is no
// bold line and needs no escaping), no "h" three bytes before a "p" (any
// case: so no "http") and no ":" (so no "file:///" and no keyword of a
// cross-reference or table block).
bool is_quiet_line(std::string_view line);

// Whether the line, stripped, is bold markup from "<b>" to its first "</b>"
// (tags in any letter case).
bool is_bold_line(std::string_view line);

// The link rule for one marker ("http" or "file:///", lower case) on an
// escaped line: wraps the first occurrence of the marker and everything up to
// the next blank in a link. An address that ends the line is followed by one
// blank. Returns false, leaving `out` alone, when the marker does not occur.
bool render_link(std::string_view escaped_line, std::string_view lower_marker, std::string& out);

// Writes one body line to `out`, without its line end, and tells which rule
// did it. `heading_row` is the chapter table row whose chapter-mark line this
// is, or 0. `table` must be finished. For kTableStart nothing is written: the
// caller hands the block, its opening line escaped, to render_table_block().
BodyRule write_body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table,
                         LineWriter& out);

// Renders one body line into `out` (replacing its contents) and tells which
// rule did it. `heading_row` is the chapter table row whose chapter-mark line
// this is, or 0. `table` must be finished. For kTableStart, `out` holds the
// escaped opening line and nothing is to be written yet: the caller hands the
// block to render_table_block().
BodyRule render_body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table,
                          std::string& out);

// The body, a line at a time: every line of the indented text given to add()
// in turn becomes its line(s) of the page. Line numbers count from 1 at the
// first line given, table blocks included, so heading rows are found by the
// line's real number.
class BodyWriter {
 public:
  // Both must outlive the writer; `table` must be finished.
  BodyWriter(const ChapterTable& table, LineWriter& page);
  void add(std::string_view line);
  // The same as add() for the line of `indent_blanks` blanks and then
  // `stripped_line`, cheaper for a quiet line: it is written from the given
  // texts and, when a companion is set, goes on to it directly (unless it is
  // too long to be held), ended on the page without telling the page's
  // observer. (A quiet line holds no "<", so it is never a frame line.)
  void add_plain(std::uint64_t indent_blanks, std::string_view stripped_line);
  // The companion text being made from the page by `filter` (the page's
  // observer): lines known to hold no frame markup skip the filter's look.
  void set_companion(LineWriter* companion, CompanionFilter* filter) {
    plain_companion_ = companion;
    companion_filter_ = filter;
  }
  // Ends the body after the last line: writes a table block left open, and
  // the work file of the last table block met, if any, through
  // open_table_file.
  void finish(const std::function<LineWriter()>& open_table_file, const TableFileClosed& table_file_closed = {});

 private:
  const ChapterTable& table_;
  LineWriter& page_;
  HeadingCursor headings_;
  std::uint64_t line_count_ = 0;
  TableBlockLines block_;  // the block being collected, or the last one
  bool in_block_ = false;
  bool any_block_ = false;
  LineWriter* plain_companion_ = nullptr;
  CompanionFilter* companion_filter_ = nullptr;
  std::string scratch_;  // a plain line put together for add()
};

// The body pass: renders every line of `indented`, from where it stands to its
// end, onto `page`. Line numbers count from 1 at the reader's position, table
// blocks included, so heading rows are found by the line's real number. The
// work file of the last table block, if there is one, is written through
// open_table_file once the pass is done.
void write_body(LineReader& indented, const ChapterTable& table,
                const std::function<LineWriter()>& open_table_file, LineWriter& page,
                const TableFileClosed& table_file_closed = {});

}  // namespace kestram

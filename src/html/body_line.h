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
// Every rule but the first works on the escaped line. A heading line that
// holds an address is a heading with the link inside it (the link rule,
// which comes first, then applies within the heading).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "html/table_block.h"
#include "restructure/chapter_table.h"
#include "text/line_sink.h"

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

// Room for the texts that a body line's rules make.
struct BodyScratch {
  std::string escaped;    // the line escaped
  std::string attribute;  // a link's address escaped for its attribute
};

// Writes one body line to `out`, without its line end, and tells which rule
// did it. `heading_row` is the chapter table row whose chapter-mark line this
// is, or 0. `table` must be finished. For kTableStart nothing is written: the
// block that the line opens is the caller's. The pieces written are views of
// `line`, of `scratch` (filled when a rule needs it), of the table and of
// fixed markup.
BodyRule write_body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table,
                         BodyScratch& scratch, LineParts& out);

// The body as a stage: every line of the indented text becomes its line(s) of
// the page. Line numbers count from 1 at the first line, table blocks
// included, so heading rows are found by the line's real number.
class BodyRenderer : public WholeLineSink {
 public:
  // Both must outlive the renderer; `table` must be finished.
  BodyRenderer(const ChapterTable& table, LineSink& out);
  // Writes a table block left open at the end of the document, and hands
  // the end on.
  void finish() override;
  // The same without handing the end on, for a page that closes the body.
  void end_body();
  // The lines of the last table block met, its opening line escaped (for
  // the table work file), or null when there was none.
  const TableBlockLines* last_table_block() const { return any_block_ ? &block_ : nullptr; }

 private:
  void line(std::string_view text) override;

  const ChapterTable& table_;
  LineSink& out_;
  LineParts parts_;  // each page line goes on in one piece
  HeadingCursor headings_;
  std::uint64_t line_count_ = 0;
  TableBlockLines block_;  // the block being collected, or the last one
  bool in_block_ = false;
  bool any_block_ = false;
  BodyScratch scratch_;  // the current line's texts, when a rule needs them
};

}  // namespace kestram

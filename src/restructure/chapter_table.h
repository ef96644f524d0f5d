// The chapter table: one row per chapter mark, in file order, numbered from 1.
//
// Every row keeps the mark number as written (normalised to end with a point
// once the renumbering has run), the line number of its chapter-mark line,
// the line itself when the scan kept it, its number components (as a dotted
// text, "1..2" for the components 1, empty, 2; trailing empty components are
// not kept), and after the renumbering its chapter number and level. Views of
// the texts stay valid while the table lives, whatever is added or changed
// after. While the scan adds rows, one other thread may renumber the rows it
// has shown complete (see RowsReady); otherwise a table is used by one
// thread at a time until it is finished.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/large_blocks.h"
#include "restructure/text_arena.h"

namespace kestram {

// What the scan saw of the whole document besides its chapter marks: what it
// takes to know the size of the indented text before writing it, and how the
// page must declare the document's bytes.
struct DocumentTotals {
  std::uint64_t line_count = 0;
  std::uint64_t stripped_bytes = 0;  // of every line without its blanks at both ends
  bool utf8 = true;                  // every line is valid UTF-8
  // The cross-reference lines by the chapter they name as written (see
  // cross_reference_target): how many, and their stripped bytes. Names of
  // more than kTalliedNameBytes in all are not kept: those lines are only
  // counted in `untallied_cross_references`.
  struct LineTally {
    std::uint64_t lines = 0;
    std::uint64_t bytes = 0;
  };
  static constexpr std::uint64_t kTalliedNameBytes = std::uint64_t{64} << 20;
  std::unordered_map<std::string, LineTally> cross_references;
  std::uint64_t tallied_name_bytes = 0;
  std::uint64_t untallied_cross_references = 0;
};

class ChapterTable {
 public:
  ChapterTable() { row_chunks_.reserve(kMostChunks); }

  // Number of candidate marks the scan found (chapter_count() is never
  // larger).
  std::uint64_t candidate_count() const { return candidate_count_; }
  void set_candidate_count(std::uint64_t count) { candidate_count_ = count; }

  std::size_t chapter_count() const { return row_count_; }

  // Appends a row for a chapter mark; its components start as the split of
  // the mark number, it has no chapter number and level 0. Rows are numbered
  // 1, 2, ... in the order added. The chapter-mark line, without its blanks
  // at both ends, is kept when given. Throws std::length_error beyond 2^32
  // rows.
  void add_row(std::string_view mark_number, std::uint64_t mark_line, std::string_view mark_line_text = {});

  // Appends a point to the mark number; written_number_length() still tells
  // the length it had as written.
  void append_point_to_mark_number(std::size_t row);
  void set_components(std::size_t row, std::string_view dotted_components);
  // Sets the renumbered chapter number and its level (number of leading
  // components, 0 to 26).
  void set_chapter(std::size_t row, std::string_view chapter_number, int level);
  void set_indent_increment(std::int64_t increment) { indent_increment_ = increment; }

  std::string_view mark_number(std::size_t row) const { return row_at(row).mark_number; }
  // The length of the mark number as written: the chapter-mark line up to
  // its first blank.
  std::size_t written_number_length(std::size_t row) const {
    return row_at(row).mark_number.size() - (row_at(row).point_appended ? 1 : 0);
  }
  std::uint64_t mark_line(std::size_t row) const { return row_at(row).mark_line; }
  // The stripped chapter-mark line as given to add_row (empty when none was).
  std::string_view mark_line_text(std::size_t row) const { return row_at(row).line_text; }
  std::string_view components(std::size_t row) const { return row_at(row).components; }
  std::string_view chapter_number(std::size_t row) const { return row_at(row).chapter_number; }
  int level(std::size_t row) const { return row_at(row).level; }
  std::int64_t indent_increment() const { return indent_increment_; }

  // indent_increment times the level, as decimal text (may be negative).
  std::string indent_width_text(std::size_t row) const { return indent_width_text_of_level(level(row)); }
  // The same for any level: one text serves every row of that level.
  std::string indent_width_text_of_level(int level) const;
  // The blanks of indentation of a row: its width, or 0 when that is not
  // positive.
  std::uint64_t indent_blanks(std::size_t row) const;

  // Makes the look-ups below available; call once the rows are final. Each
  // index is built at its first look-up, so a document without
  // cross-references never pays for one. A finished table may be read from
  // several threads at once.
  void finish();

  // What the scan saw besides the chapter marks.
  DocumentTotals& totals() { return totals_; }
  const DocumentTotals& totals() const { return totals_; }

  // The first row whose mark number equals the text, or 0 when none does
  // (or the table is not finished).
  std::size_t first_row_with_mark_number(std::string_view mark_number) const;
  // The first row whose chapter number equals the text, or 0 when none does.
  std::size_t first_row_with_chapter_number(std::string_view chapter_number) const;

 private:
  struct Row {
    std::string_view mark_number;
    std::string_view components;
    std::string_view chapter_number;
    std::string_view line_text;
    std::uint64_t mark_line;
    int level;
    bool point_appended;  // to the mark number as written
  };
  static_assert(std::is_trivially_destructible_v<Row>, "rows are dropped with their chunks");
  // The look-ups of a finished table, each built on first use.
  struct Lookups;

  Row* row_pointer(std::size_t row) const {
    const std::size_t i = row - 1;
    return reinterpret_cast<Row*>(row_chunks_[i / kChunkRows].get()) + i % kChunkRows;
  }
  const Row& row_at(std::size_t row) const { return *row_pointer(row); }
  Row& row_at(std::size_t row) { return *row_pointer(row); }

  // Rows live in chunks that never move: growing never copies the rows
  // already there, which for a million rows costs more than all else the
  // scan does.
  //
  // While the scan adds rows, the renumbering may work on the rows shown
  // complete on another thread (see RowsReady). So the list of chunks never
  // grows beyond the room made for it at first, and what the two write for
  // every row lies on cache lines of their own: a line written by both would
  // pass from core to core at every row.
  static constexpr std::size_t kChunkRows = std::size_t{1} << 17;  // 10 MiB, whole large pages
  static constexpr std::size_t kMostChunks = std::size_t{1} << 15;
  std::vector<LargeBlock> row_chunks_;
  alignas(64) std::size_t row_count_ = 0;
  TextArena texts_;  // the texts of the scan: mark lines and mark numbers
  alignas(64) TextArena renumbered_texts_;  // the texts the renumbering sets
  std::string marked_;  // a mark number with its point, before it is stored
  alignas(64) std::uint64_t candidate_count_ = 0;
  std::int64_t indent_increment_ = 0;
  DocumentTotals totals_;
  std::shared_ptr<Lookups> lookups_;  // made by finish()
};

// Finds the heading rows of line numbers that never decrease from one call to
// the next, in constant time per line: the marks are in file order.
class HeadingCursor {
 public:
  // The table must not change while the cursor is in use.
  explicit HeadingCursor(const ChapterTable& table);
  // The first row whose mark line equals the line number, or 0 when none.
  // Inline for the lines before the next mark, which are most lines, and
  // for a line asked again.
  std::size_t row_for_line(std::uint64_t line_number) {
    if (line_number < next_mark_line_) return line_number == found_line_ ? found_row_ : 0;
    return advance_to(line_number);
  }

 private:
  std::size_t advance_to(std::uint64_t line_number);

  const ChapterTable& table_;
  // The first row past the rows of the lines asked so far, and its mark
  // line (the largest value past the last row).
  std::size_t next_ = 1;
  std::uint64_t next_mark_line_;
  // The row last found, and its line (line numbers start at 1).
  std::size_t found_row_ = 0;
  std::uint64_t found_line_ = 0;
};

}  // namespace kestram

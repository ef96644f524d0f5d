// The chapter table: one row per chapter mark, in file order, numbered from 1.
//
// Every row keeps the mark number as written (normalised to end with a point
// once the renumbering has run), the line number of its chapter-mark line, its
// number components (as a dotted text, "1..2" for the components 1, empty, 2;
// trailing empty components are not kept), and after the renumbering its
// chapter number and level. Texts live in one arena, so a row costs a few
// dozen bytes beyond its own texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestram {

class ChapterTable {
 public:
  ChapterTable() = default;

  // Number of candidate marks found by the counting scan (the table's size
  // before the filling scan; chapter_count() is never larger).
  std::uint64_t candidate_count() const { return candidate_count_; }
  void set_candidate_count(std::uint64_t count) { candidate_count_ = count; }

  std::size_t chapter_count() const { return rows_.size(); }

  // Appends a row for a chapter mark; its components start as the split of
  // the mark number. Rows are numbered 1, 2, ... in the order added. The
  // chapter-mark line itself, without its blanks at both ends, is kept when
  // given; the mark number is then its first word.
  void add_row(std::string_view mark_number, std::uint64_t mark_line, std::string_view mark_line_text = {});

  void set_mark_number(std::size_t row, std::string_view mark_number);
  void set_components(std::size_t row, std::string_view dotted_components);
  // Sets the renumbered chapter number and its level (number of leading
  // components, 0 to 26).
  void set_chapter(std::size_t row, std::string_view chapter_number, int level);
  void set_indent_increment(std::int64_t increment) { indent_increment_ = increment; }

  std::string_view mark_number(std::size_t row) const { return text(rows_[row - 1].mark_number); }
  std::uint64_t mark_line(std::size_t row) const { return rows_[row - 1].mark_line; }
  // The stripped chapter-mark line as given to add_row (empty when none was).
  std::string_view mark_line_text(std::size_t row) const { return text(rows_[row - 1].mark_line_text); }
  std::string_view components(std::size_t row) const { return text(rows_[row - 1].components); }
  std::string_view chapter_number(std::size_t row) const { return text(rows_[row - 1].chapter_number); }
  int level(std::size_t row) const { return rows_[row - 1].level; }
  std::int64_t indent_increment() const { return indent_increment_; }

  // indent_increment times the level, as decimal text (may be negative).
  std::string indent_width_text(std::size_t row) const;
  // The blanks of indentation of a row: its width, or 0 when that is not
  // positive.
  std::uint64_t indent_blanks(std::size_t row) const;

  // Makes the look-ups below available; call once the rows are final. Each
  // index is built at its first look-up, so a document without
  // cross-references never pays for one. (The table is therefore not to be
  // read from several threads at once.)
  void finish();

  // The first row whose mark number equals the text, or 0 when none does.
  std::size_t first_row_with_mark_number(std::string_view mark_number) const;
  // The first row whose chapter number equals the text, or 0 when none does.
  std::size_t first_row_with_chapter_number(std::string_view chapter_number) const;

 private:
  struct Span {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
  };
  struct Row {
    Span mark_number;
    Span components;
    Span chapter_number;
    Span mark_line_text;
    std::uint64_t mark_line = 0;
    int level = 0;
  };
  // Open-addressing index from a text to the first row holding it.
  class Index {
   public:
    template <typename KeyOf>
    void build(std::size_t rows, KeyOf key_of);
    template <typename KeyOf>
    std::size_t find(std::string_view key, KeyOf key_of) const;
    bool built() const { return !slots_.empty(); }
    void clear() { slots_.clear(); }

   private:
    std::vector<std::size_t> slots_;  // row numbers; 0 is an empty slot
  };

  std::string_view text(Span span) const { return std::string_view(arena_).substr(span.offset, span.length); }
  Span store(std::string_view text);

  std::vector<Row> rows_;
  std::string arena_;
  std::uint64_t candidate_count_ = 0;
  std::int64_t indent_increment_ = 0;
  bool finished_ = false;
  mutable Index by_mark_number_;     // built by the first look-up
  mutable Index by_chapter_number_;
};

// Finds the heading rows of line numbers that never decrease from one call to
// the next, in constant time per line: the marks are in file order.
class HeadingCursor {
 public:
  // The table must not change while the cursor is in use.
  explicit HeadingCursor(const ChapterTable& table);
  // The first row whose mark line equals the line number, or 0 when none.
  // Inline for the lines before the next mark, which are most lines.
  std::size_t row_for_line(std::uint64_t line_number) {
    return line_number < next_mark_line_ ? 0 : advance_to(line_number);
  }

 private:
  std::size_t advance_to(std::uint64_t line_number);

  const ChapterTable& table_;
  std::size_t next_ = 1;
  std::uint64_t next_mark_line_;  // of row next_; the largest value past the last row
};

}  // namespace kestram

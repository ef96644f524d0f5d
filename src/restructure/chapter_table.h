// The chapter table: one row per chapter mark, in file order, numbered from 1.
//
// Every row keeps the mark number as written (normalised to end with a point
// once the renumbering has run), the line number of its chapter-mark line, its
// number components (as a dotted text, "1..2" for the components 1, empty, 2;
// trailing empty components are not kept), and after the renumbering its
// chapter number and level. Texts live in one arena, so a row costs 48 bytes
// beyond its own texts; a text equal to the mark number or to a part of it
// takes none. Views of the texts stay valid while the table lives, whatever
// is added or changed after.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "restructure/ready_blocks.h"

namespace kestram {

class ChapterTable {
 public:
  ChapterTable() = default;

  // Number of candidate marks found by the counting scan (the table's size
  // before the filling scan; chapter_count() is never larger).
  std::uint64_t candidate_count() const { return candidate_count_; }
  void set_candidate_count(std::uint64_t count) { candidate_count_ = count; }

  std::size_t chapter_count() const { return row_count_; }

  // Every text the table gives out (mark numbers, mark lines, components,
  // chapter numbers; empty ones too) lies in the table's own memory, and
  // the kReadableBytes bytes from its start may be read, whatever its size:
  // a short text can be copied by one fixed-size move of that many bytes.
  static constexpr std::size_t kReadableBytes = 16;

  // Appends a row for a chapter mark; its components start as the split of
  // the mark number. Rows are numbered 1, 2, ... in the order added. The
  // chapter-mark line itself, without its blanks at both ends, is kept when
  // given; the mark number is then its first word.
  void add_row(std::string_view mark_number, std::uint64_t mark_line, std::string_view mark_line_text = {});

  void set_mark_number(std::size_t row, std::string_view mark_number);
  // Appends a point to the row's mark number unless it ends with one. A
  // point already stored behind the mark (as behind every mark stored on its
  // own) is taken, so this mostly costs no storage.
  void end_mark_number_with_point(std::size_t row) {
    Row& r = row_at(row);
    const std::size_t size = r.mark_size;  // a huge size goes the slow way
    if (size < kElsewhere && size != 0 && r.mark[size - 1] == '.') return;
    if (size < kElsewhere - 1 && r.mark[size] == '.') {
      r.mark_size = static_cast<std::uint32_t>(size + 1);
      return;
    }
    store_mark_with_point(r);
  }
  void set_components(std::size_t row, std::string_view dotted_components);
  // Sets the renumbered chapter number and its level (number of leading
  // components, 0 to 26).
  void set_chapter(std::size_t row, std::string_view chapter_number, int level);
  // Both at once, as the renumbering finds them: sets the components, and as
  // the chapter number the first `chapter_length` bytes of the components
  // followed by a point (at most one byte more than the components).
  void set_renumbered(std::size_t row, std::string_view dotted_components, std::size_t chapter_length, int level);
  void set_indent_increment(std::int64_t increment) { indent_increment_ = increment; }

  std::string_view mark_number(std::size_t row) const {
    const Row& r = row_at(row);
    return std::string_view(r.mark, size_of(r.mark_size));
  }
  std::uint64_t mark_line(std::size_t row) const {
    const std::uint32_t field = row_at(row).mark_line;
    return field < kElsewhere ? field : huge_lines_[field - kElsewhere];
  }
  // The stripped chapter-mark line as given to add_row (empty when none was).
  std::string_view mark_line_text(std::size_t row) const {
    const Row& r = row_at(row);
    return std::string_view(r.line_text, size_of(r.line_text_size));
  }
  std::string_view components(std::size_t row) const {
    const Row& r = row_at(row);
    return std::string_view(r.components, size_of(r.components_size));
  }
  std::string_view chapter_number(std::size_t row) const {
    const Row& r = row_at(row);
    if (r.chapter_size < kElsewhere) return std::string_view(r.components, r.chapter_size);
    const Text& t = separate_chapters_[r.chapter_size - kElsewhere];
    return std::string_view(t.data, t.size);
  }
  int level(std::size_t row) const { return row_at(row).level; }
  std::int64_t indent_increment() const { return indent_increment_; }

  // indent_increment times the level, as decimal text (may be negative).
  std::string indent_width_text(std::size_t row) const { return indent_width_text_of_level(level(row)); }
  // The same for any level: one text serves every row of that level.
  std::string indent_width_text_of_level(int level) const;
  // The blanks of indentation of a row: its width, or 0 when that is not
  // positive. Inline: the indentation asks it for every chapter.
  std::uint64_t indent_blanks(std::size_t row) const {
    if (indent_increment_ <= 0) return 0;
    const __int128 width = static_cast<__int128>(indent_increment_) * level(row);
    constexpr __int128 kMax = static_cast<__int128>(UINT64_MAX);
    return static_cast<std::uint64_t>(width > kMax ? kMax : width);
  }

  // Makes the look-ups below available; call once the rows are final. Each
  // index is built at its first look-up, so a document without
  // cross-references never pays for one. A finished table may be read from
  // several threads at once.
  void finish();

  // The first row whose mark number equals the text, or 0 when none does.
  std::size_t first_row_with_mark_number(std::string_view mark_number) const;
  // The first row whose chapter number equals the text, or 0 when none does.
  std::size_t first_row_with_chapter_number(std::string_view chapter_number) const;

 private:
  // A text in the arena. The byte after a row's mark number and after its
  // components is always readable arena memory: the arena puts two points
  // behind every text it stores, and a text shared from a stored one ends at
  // most at the first of them. So a normalised mark number ("2.1" and its
  // point) and a chapter number at level 1 ("4" and its point) take no
  // storage of their own.
  struct Text {
    const char* data;
    std::size_t size;
  };
  // A size field of a row: the size itself below kElsewhere, else kElsewhere
  // plus an index into a side list. Texts of 2 GiB or more, line numbers
  // from 2^31 on, and chapter numbers that are not the start of the
  // components (and the byte after them), are rare enough to live there; a
  // row stays at 48 bytes, which every pass over the table reads.
  static constexpr std::uint32_t kElsewhere = std::uint32_t{1} << 31;
  // Left uninitialised by its chunk until add_row() fills it.
  struct Row {
    const char* mark;
    const char* components;
    const char* line_text;
    std::uint32_t mark_line;  // a field as the sizes are
    std::uint32_t mark_size;
    std::uint32_t components_size;
    std::uint32_t line_text_size;
    // The chapter number is the first chapter_size bytes from `components`
    // on, or (from kElsewhere on) an entry of separate_chapters_.
    std::uint32_t chapter_size;
    std::int32_t level;
  };
  // Rows live in chunks that never move, so the table grows without copying
  // earlier rows. A chunk is a block of the size the texts' blocks grow to,
  // so that one supply of blocks serves both: 6 MiB, three large pages.
  static constexpr unsigned kChunkRowsLog2 = 17;
  static constexpr std::size_t kChunkRows = std::size_t{1} << kChunkRowsLog2;
  static constexpr std::size_t kBlockBytes = kChunkRows * sizeof(Row);
  static_assert(kBlockBytes % ReadyBlocks::kLargePageBytes == 0, "a chunk is made of large pages");
  const Row& row_at(std::size_t row) const {
    const std::size_t i = row - 1;
    return reinterpret_cast<const Row*>(chunks_[i >> kChunkRowsLog2].get())[i & (kChunkRows - 1)];
  }
  Row& row_at(std::size_t row) {
    const std::size_t i = row - 1;
    return reinterpret_cast<Row*>(chunks_[i >> kChunkRowsLog2].get())[i & (kChunkRows - 1)];
  }
  std::size_t size_of(std::uint32_t field) const { return field < kElsewhere ? field : huge_sizes_[field - kElsewhere]; }
  std::uint32_t size_field(std::size_t size);
  // Texts in blocks that never move: a view of a stored text stays valid
  // while the table lives, and growing costs no copy of earlier texts.
  class Arena {
   public:
    // The largest blocks come from the supply.
    explicit Arena(ReadyBlocks* supply) : supply_(supply) {}
    // Copies the text and two points after it; returns where the copy begins.
    const char* store(std::string_view text);
    // Copies `first`, a point and `second`, and two points after them.
    const char* store_joined(std::string_view first, std::string_view second);

   private:
    // Inline: the table stores a text or two for most rows.
    char* reserve(std::size_t need) {
      if (static_cast<std::size_t>(limit_ - fill_) < need) return reserve_in_new_block(need);
      char* const at = fill_;
      fill_ += need;
      return at;
    }
    char* reserve_in_new_block(std::size_t need);

    ReadyBlocks* supply_;
    std::vector<MemoryBlock> blocks_;
    char* fill_ = nullptr;
    char* limit_ = nullptr;
    std::size_t next_block_bytes_ = 4096;
  };
  // Open-addressing index from a text to the first row holding it.
  // Built by the first of any threads that look up at once; the others
  // wait for it.
  class Index {
   public:
    Index() = default;
    Index(Index&& other) noexcept : slots_(std::move(other.slots_)), built_(other.built_.load()) {}
    Index& operator=(Index&& other) noexcept {
      slots_ = std::move(other.slots_);
      built_ = other.built_.load();
      return *this;
    }
    template <typename KeyOf>
    void build_once(std::size_t rows, KeyOf key_of);
    template <typename KeyOf>
    std::size_t find(std::string_view key, KeyOf key_of) const;
    // While no thread looks up.
    void clear() {
      slots_.clear();
      built_ = false;
    }

   private:
    std::vector<std::size_t> slots_;  // row numbers; 0 is an empty slot
    std::atomic<bool> built_{false};
    std::mutex building_;
  };

  Text store(std::string_view value) { return Text{arena_.store(value), value.size()}; }
  // The value as the start of the row's mark number (and, when the mark
  // does not end with a point, the point stored behind it) when those bytes
  // begin with it; else a new copy.
  Text share_with_mark(const Row& row, std::string_view value);
  // The slow way of end_mark_number_with_point().
  void store_mark_with_point(Row& row);
  void set_mark_text(Row& row, Text mark) {
    row.mark = mark.data;
    row.mark_size = size_field(mark.size);
  }

  // Blocks of kBlockBytes: up to 2 ahead, once the table has taken 2 (a
  // table of fewer than kChunkRows chapters and a few megabytes of texts
  // never starts a helper).
  std::unique_ptr<ReadyBlocks> supply_ = std::make_unique<ReadyBlocks>(kBlockBytes, 2, 2);
  std::vector<MemoryBlock> chunks_;
  std::size_t row_count_ = 0;
  std::vector<std::size_t> huge_sizes_;
  std::vector<std::uint64_t> huge_lines_;
  std::vector<Text> separate_chapters_;
  Arena arena_{supply_.get()};
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

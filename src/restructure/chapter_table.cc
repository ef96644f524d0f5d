#include "restructure/chapter_table.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>

namespace kestram {
namespace {

// An index from a text to the first row holding it: open addressing over row
// numbers, 0 marking an empty slot. At most half the slots are taken, so a
// search mostly ends at its first or second slot.
class RowIndex {
 public:
  template <typename KeyOf>
  void build(std::size_t rows, KeyOf key_of) {
    std::size_t capacity = 16;
    while (capacity < rows * 2) capacity *= 2;
    slots_.assign(capacity, 0);
    for (std::size_t row = 1; row <= rows; ++row) {
      std::size_t& slot = slots_[slot_of(key_of(row), key_of)];
      if (slot == 0) slot = row;  // else an earlier row keeps the key
    }
  }

  template <typename KeyOf>
  std::size_t find(std::string_view key, KeyOf key_of) const {
    return slots_.empty() ? 0 : slots_[slot_of(key, key_of)];
  }

 private:
  // The slot of the key, or the empty slot where it would go.
  template <typename KeyOf>
  std::size_t slot_of(std::string_view key, KeyOf key_of) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = std::hash<std::string_view>{}(key) & mask;
    while (slots_[slot] != 0 && key_of(slots_[slot]) != key) slot = (slot + 1) & mask;
    return slot;
  }

  std::vector<std::size_t> slots_;
};

constexpr std::uint64_t kPastLastRow = ~std::uint64_t{0};

}  // namespace

// Several threads may look up at once: the first builds the index, the
// others wait for it.
struct ChapterTable::Lookups {
  std::once_flag mark_number_built;
  RowIndex by_mark_number;
  std::once_flag chapter_number_built;
  RowIndex by_chapter_number;
};

void ChapterTable::add_row(std::string_view mark_number, std::uint64_t mark_line, std::string_view mark_line_text) {
  Row row;
  // A kept chapter-mark line starts with its mark number, which then takes
  // no room of its own.
  row.line_text = texts_.store(mark_line_text);
  row.mark_number = row.line_text.substr(0, mark_number.size()) == mark_number
                        ? row.line_text.substr(0, mark_number.size())
                        : texts_.store(mark_number);
  // The split of the mark number is the mark number without its trailing
  // points: they stand for empty components, which are not kept.
  std::size_t length = mark_number.size();
  while (length > 0 && mark_number[length - 1] == '.') --length;
  row.components = row.mark_number.substr(0, length);
  row.chapter_number = texts_.store({});
  row.mark_line = mark_line;
  row.level = 0;
  row.point_appended = false;
  if (row_count_ % kChunkRows == 0) {
    if (row_chunks_.size() == kMostChunks) throw std::length_error("too many chapter marks");
    row_chunks_.push_back(allocate_large_block(kChunkRows * sizeof(Row)));
  }
  new (row_pointer(++row_count_)) Row(row);
}

void ChapterTable::append_point_to_mark_number(std::size_t row) {
  Row& r = row_at(row);
  marked_.assign(r.mark_number);
  marked_ += '.';
  r.mark_number = renumbered_texts_.store(marked_);
  r.point_appended = true;
}

void ChapterTable::set_components(std::size_t row, std::string_view dotted_components) {
  // The renumbering often leaves a mark's components as they were.
  Row& r = row_at(row);
  if (dotted_components != r.components) r.components = renumbered_texts_.store(dotted_components);
}

void ChapterTable::set_chapter(std::size_t row, std::string_view chapter_number, int level) {
  // Below level 1, a chapter number is mostly the components themselves.
  Row& r = row_at(row);
  r.chapter_number = chapter_number == r.components ? r.components : renumbered_texts_.store(chapter_number);
  r.level = level;
}

std::string ChapterTable::indent_width_text_of_level(int level) const {
  // Any int level times a 64-bit increment fits in 128 bits.
  const __int128 width = static_cast<__int128>(indent_increment_) * level;
  unsigned __int128 magnitude = width < 0 ? -static_cast<unsigned __int128>(width) : width;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (width < 0) digits.insert(digits.begin(), '-');
  return digits;
}

std::uint64_t ChapterTable::indent_blanks(std::size_t row) const {
  if (indent_increment_ <= 0) return 0;
  const __int128 width = static_cast<__int128>(indent_increment_) * level(row);
  constexpr __int128 kMax = static_cast<__int128>(UINT64_MAX);
  return static_cast<std::uint64_t>(width > kMax ? kMax : width);
}

void ChapterTable::finish() { lookups_ = std::make_shared<Lookups>(); }

std::size_t ChapterTable::first_row_with_mark_number(std::string_view key) const {
  if (lookups_ == nullptr) return 0;
  auto key_of = [this](std::size_t row) { return mark_number(row); };
  std::call_once(lookups_->mark_number_built, [&] { lookups_->by_mark_number.build(chapter_count(), key_of); });
  return lookups_->by_mark_number.find(key, key_of);
}

std::size_t ChapterTable::first_row_with_chapter_number(std::string_view key) const {
  if (lookups_ == nullptr) return 0;
  auto key_of = [this](std::size_t row) { return chapter_number(row); };
  std::call_once(lookups_->chapter_number_built,
                 [&] { lookups_->by_chapter_number.build(chapter_count(), key_of); });
  return lookups_->by_chapter_number.find(key, key_of);
}

HeadingCursor::HeadingCursor(const ChapterTable& table)
    : table_(table), next_mark_line_(table.chapter_count() > 0 ? table.mark_line(1) : kPastLastRow) {}

std::size_t HeadingCursor::advance_to(std::uint64_t line_number) {
  if (found_row_ != 0 && line_number == found_line_) return found_row_;
  const std::size_t count = table_.chapter_count();
  auto mark_line_of_next = [&] { return next_ <= count ? table_.mark_line(next_) : kPastLastRow; };
  while (next_ <= count && next_mark_line_ < line_number) {
    ++next_;
    next_mark_line_ = mark_line_of_next();
  }
  if (next_ > count || next_mark_line_ != line_number) return 0;
  // The row found, and the rows behind it that share its line, are passed
  // at once: the next line asked is then mostly told apart inline.
  found_row_ = next_;
  found_line_ = line_number;
  do {
    ++next_;
    next_mark_line_ = mark_line_of_next();
  } while (next_ <= count && next_mark_line_ == line_number);
  return found_row_;
}

}  // namespace kestram

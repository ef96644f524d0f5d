#include "restructure/chapter_table.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace kestram {
namespace {

std::size_t hash_text(std::string_view text) { return std::hash<std::string_view>{}(text); }

constexpr std::size_t kLargestBlockBytes = std::size_t{1} << 20;

}  // namespace

const char* ChapterTable::Arena::store(std::string_view text) {
  const std::size_t need = text.size() + 1;
  if (static_cast<std::size_t>(limit_ - fill_) < need) {
    // Blocks grow with the table, so a small table stays small and a large
    // one needs few blocks.
    const std::size_t bytes = std::max(need, next_block_bytes_);
    if (next_block_bytes_ < kLargestBlockBytes) next_block_bytes_ *= 2;
    blocks_.emplace_back(new char[bytes]);
    fill_ = blocks_.back().get();
    limit_ = fill_ + bytes;
  }
  char* const copy = fill_;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '.';
  fill_ += need;
  return copy;
}

ChapterTable::Text ChapterTable::share_with_mark(const Row& row, std::string_view value) {
  const std::size_t readable = row.mark_number.size + (row.point_after_mark ? 1 : 0);
  if (value.size() <= readable && std::memcmp(row.mark_number.data, value.data(), value.size()) == 0)
    return Text{row.mark_number.data, value.size()};
  return store(value);
}

void ChapterTable::add_row(std::string_view mark_number, std::uint64_t mark_line) {
  if ((row_count_ & (kChunkRows - 1)) == 0) chunks_.emplace_back(new Row[kChunkRows]);
  Row& row = row_at(++row_count_);
  row.mark_number = store(mark_number);
  row.point_after_mark = true;
  // The split of the mark number is the mark number without its trailing
  // points: they stand for empty components, which are not kept.
  std::size_t length = mark_number.size();
  while (length > 0 && mark_number[length - 1] == '.') --length;
  row.components = Text{row.mark_number.data, length};
  row.chapter_number = Text{nullptr, 0};
  row.mark_line = mark_line;
  row.level = 0;
}

void ChapterTable::set_mark_number(std::size_t row, std::string_view mark_number) {
  Row& r = row_at(row);
  const std::string_view current = text(r.mark_number);
  if (mark_number == current) return;
  // A point appended to the mark number is the stored point behind it.
  if (r.point_after_mark && mark_number.size() == current.size() + 1 && mark_number.back() == '.' &&
      mark_number.compare(0, current.size(), current) == 0) {
    ++r.mark_number.size;
    r.point_after_mark = false;
    return;
  }
  r.mark_number = store(mark_number);
  r.point_after_mark = true;
}

void ChapterTable::end_mark_number_with_point(std::size_t row) {
  Row& r = row_at(row);
  if (r.mark_number.size != 0 && r.mark_number.data[r.mark_number.size - 1] == '.') return;
  if (r.point_after_mark) {
    ++r.mark_number.size;
    r.point_after_mark = false;
    return;
  }
  std::string marked(text(r.mark_number));
  marked += '.';
  r.mark_number = store(marked);
  r.point_after_mark = true;
}

void ChapterTable::set_components(std::size_t row, std::string_view dotted_components) {
  Row& r = row_at(row);
  if (dotted_components == text(r.components)) return;
  r.components = share_with_mark(r, dotted_components);
}

void ChapterTable::set_chapter(std::size_t row, std::string_view chapter_number, int level) {
  Row& r = row_at(row);
  r.level = level;
  // A chapter number is very often the components themselves, or the mark
  // number ("3." at level 1).
  if (chapter_number == text(r.components)) {
    r.chapter_number = r.components;
  } else {
    r.chapter_number = share_with_mark(r, chapter_number);
  }
}

std::string ChapterTable::indent_width_text_of_level(int level) const {
  // Any int level times a 64-bit increment fits in 128 bits.
  __int128 width = static_cast<__int128>(indent_increment_) * level;
  bool negative = width < 0;
  unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(width) : width;
  char digits[48];  // 2^128 has 39 digits
  char* begin = digits + sizeof digits;
  do {
    *--begin = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) *--begin = '-';
  return std::string(begin, digits + sizeof digits);
}

std::uint64_t ChapterTable::indent_blanks(std::size_t row) const {
  if (indent_increment_ <= 0) return 0;
  __int128 width = static_cast<__int128>(indent_increment_) * level(row);
  constexpr __int128 kMax = static_cast<__int128>(UINT64_MAX);
  return static_cast<std::uint64_t>(width > kMax ? kMax : width);
}

template <typename KeyOf>
void ChapterTable::Index::build(std::size_t rows, KeyOf key_of) {
  std::size_t capacity = 16;
  while (capacity < rows * 2) capacity *= 2;
  slots_.assign(capacity, 0);
  const std::size_t mask = capacity - 1;
  for (std::size_t row = 1; row <= rows; ++row) {
    std::string_view key = key_of(row);
    std::size_t slot = hash_text(key) & mask;
    while (slots_[slot] != 0) {
      if (key_of(slots_[slot]) == key) break;  // an earlier row keeps the key
      slot = (slot + 1) & mask;
    }
    if (slots_[slot] == 0) slots_[slot] = row;
  }
}

template <typename KeyOf>
std::size_t ChapterTable::Index::find(std::string_view key, KeyOf key_of) const {
  if (slots_.empty()) return 0;
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hash_text(key) & mask;
  while (slots_[slot] != 0) {
    if (key_of(slots_[slot]) == key) return slots_[slot];
    slot = (slot + 1) & mask;
  }
  return 0;
}

void ChapterTable::finish() {
  finished_ = true;
  by_mark_number_.clear();
  by_chapter_number_.clear();
}

std::size_t ChapterTable::first_row_with_mark_number(std::string_view key) const {
  auto key_of = [this](std::size_t row) { return mark_number(row); };
  if (finished_ && !by_mark_number_.built()) by_mark_number_.build(row_count_, key_of);
  return by_mark_number_.find(key, key_of);
}

std::size_t ChapterTable::first_row_with_chapter_number(std::string_view key) const {
  auto key_of = [this](std::size_t row) { return chapter_number(row); };
  if (finished_ && !by_chapter_number_.built()) by_chapter_number_.build(row_count_, key_of);
  return by_chapter_number_.find(key, key_of);
}

}  // namespace kestram

#include "restructure/chapter_table.h"

#include <functional>

namespace kestram {
namespace {

std::size_t hash_text(std::string_view text) { return std::hash<std::string_view>{}(text); }

}  // namespace

ChapterTable::Span ChapterTable::store(std::string_view value) {
  Span span{arena_.size(), value.size()};
  arena_.append(value);
  return span;
}

void ChapterTable::add_row(std::string_view mark_number, std::uint64_t mark_line,
                           std::string_view mark_line_text) {
  Row row;
  if (!mark_line_text.empty() && mark_line_text.substr(0, mark_number.size()) == mark_number) {
    row.mark_line_text = store(mark_line_text);
    row.mark_number = Span{row.mark_line_text.offset, mark_number.size()};
  } else {
    row.mark_number = store(mark_number);
    if (!mark_line_text.empty()) row.mark_line_text = store(mark_line_text);
  }
  row.mark_line = mark_line;
  // The split of the mark number is the mark number without its trailing
  // points: they stand for empty components, which are not kept.
  std::size_t length = mark_number.size();
  while (length > 0 && mark_number[length - 1] == '.') --length;
  row.components = Span{row.mark_number.offset, length};
  rows_.push_back(row);
}

void ChapterTable::set_mark_number(std::size_t row, std::string_view mark_number) {
  if (mark_number == this->mark_number(row)) return;
  rows_[row - 1].mark_number = store(mark_number);
}

void ChapterTable::set_components(std::size_t row, std::string_view dotted_components) {
  if (dotted_components == components(row)) return;
  rows_[row - 1].components = store(dotted_components);
}

void ChapterTable::set_chapter(std::size_t row, std::string_view chapter_number, int level) {
  Row& r = rows_[row - 1];
  r.level = level;
  // A chapter number is very often the components themselves.
  std::string_view comps = components(row);
  if (chapter_number == comps) {
    r.chapter_number = r.components;
  } else {
    r.chapter_number = store(chapter_number);
  }
}

std::string ChapterTable::indent_width_text(std::size_t row) const {
  // Up to 26 levels times a 64-bit increment fits in 128 bits.
  __int128 width = static_cast<__int128>(indent_increment_) * level(row);
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
  if (finished_ && !by_mark_number_.built()) by_mark_number_.build(rows_.size(), key_of);
  return by_mark_number_.find(key, key_of);
}

std::size_t ChapterTable::first_row_with_chapter_number(std::string_view key) const {
  auto key_of = [this](std::size_t row) { return chapter_number(row); };
  if (finished_ && !by_chapter_number_.built()) by_chapter_number_.build(rows_.size(), key_of);
  return by_chapter_number_.find(key, key_of);
}

namespace {
constexpr std::uint64_t kPastLastRow = ~std::uint64_t{0};
}  // namespace

HeadingCursor::HeadingCursor(const ChapterTable& table)
    : table_(table), next_mark_line_(table.chapter_count() > 0 ? table.mark_line(1) : kPastLastRow) {}

std::size_t HeadingCursor::advance_to(std::uint64_t line_number) {
  const std::size_t count = table_.chapter_count();
  while (next_ <= count && table_.mark_line(next_) < line_number) ++next_;
  next_mark_line_ = next_ <= count ? table_.mark_line(next_) : kPastLastRow;
  return next_ <= count && next_mark_line_ == line_number ? next_ : 0;
}

}  // namespace kestram

#include "restructure/chapter_table.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "text/byte_copy.h"

namespace kestram {
namespace {

std::size_t hash_text(std::string_view text) { return std::hash<std::string_view>{}(text); }

// Whether the bytes from `bytes` on begin with the value (an empty value has
// no bytes to compare, and may have no address).
bool bytes_begin_with(const char* bytes, std::string_view value) {
  return same_bytes(bytes, value.data(), value.size());
}

}  // namespace

char* ChapterTable::Arena::reserve_in_new_block(std::size_t need) {
  // Blocks grow with the table, so a small table stays small and a large
  // one needs few blocks. Bytes behind the last text keep reads of
  // kReadableBytes within the block.
  const std::size_t largest = supply_->block_bytes() - kReadableBytes;
  std::size_t bytes;
  if (next_block_bytes_ >= largest && need <= largest) {
    bytes = largest;
    blocks_.push_back(supply_->take());
  } else {
    bytes = std::max(need, next_block_bytes_);
    if (next_block_bytes_ < largest) next_block_bytes_ *= 2;
    blocks_.push_back(heap_memory_block(bytes + kReadableBytes));
  }
  fill_ = blocks_.back().get() + need;
  limit_ = blocks_.back().get() + bytes;
  std::memset(limit_, 0, kReadableBytes);
  return blocks_.back().get();
}

const char* ChapterTable::Arena::store(std::string_view text) {
  char* const copy = reserve(text.size() + 2);
  char* const end = copy_bytes(copy, text.data(), text.size());
  end[0] = '.';
  end[1] = '.';
  return copy;
}

const char* ChapterTable::Arena::store_joined(std::string_view first, std::string_view second) {
  char* const copy = reserve(first.size() + 1 + second.size() + 2);
  char* const middle = copy_bytes(copy, first.data(), first.size());
  middle[0] = '.';
  char* const end = copy_bytes(middle + 1, second.data(), second.size());
  end[0] = '.';
  end[1] = '.';
  return copy;
}

std::uint32_t ChapterTable::size_field(std::size_t size) {
  if (size < kElsewhere) return static_cast<std::uint32_t>(size);
  huge_sizes_.push_back(size);
  return kElsewhere + static_cast<std::uint32_t>(huge_sizes_.size() - 1);
}

ChapterTable::Text ChapterTable::share_with_mark(const Row& row, std::string_view value) {
  // A mark that ends with a point may have taken the stored point already;
  // the byte after that one must stay free to be read.
  const std::size_t mark_size = size_of(row.mark_size);
  const bool point_free = mark_size == 0 || row.mark[mark_size - 1] != '.';
  if (value.size() <= mark_size + (point_free ? 1 : 0) && bytes_begin_with(row.mark, value))
    return Text{row.mark, value.size()};
  return store(value);
}

void ChapterTable::add_row(std::string_view mark_number, std::uint64_t mark_line,
                           std::string_view mark_line_text) {
  if ((row_count_ & (kChunkRows - 1)) == 0) chunks_.push_back(supply_->take());
  Row& row = row_at(++row_count_);
  if (mark_line < kElsewhere) {
    row.mark_line = static_cast<std::uint32_t>(mark_line);
  } else {
    huge_lines_.push_back(mark_line);
    row.mark_line = kElsewhere + static_cast<std::uint32_t>(huge_lines_.size() - 1);
  }
  // A mark number at the start of its line shares the line's bytes. One
  // that does not end with a point is stored before the line, with the point
  // that the renumbering appends.
  // (The scan gives the mark as the start of the line itself.)
  const bool mark_starts_line = mark_number.data() == mark_line_text.data() && mark_number.size() <= mark_line_text.size();
  if (!mark_line_text.empty() && (mark_starts_line || mark_line_text.substr(0, mark_number.size()) == mark_number)) {
    if (mark_number.empty() || mark_number.back() == '.') {
      row.line_text = arena_.store(mark_line_text);
      set_mark_text(row, Text{row.line_text, mark_number.size()});
    } else {
      const char* const both = arena_.store_joined(mark_number, mark_line_text);
      set_mark_text(row, Text{both, mark_number.size()});
      row.line_text = both + mark_number.size() + 1;
    }
  } else {
    set_mark_text(row, store(mark_number));
    row.line_text = mark_line_text.empty() ? row.mark : arena_.store(mark_line_text);
  }
  row.line_text_size = size_field(mark_line_text.size());
  // The split of the mark number is the mark number without its trailing
  // points: they stand for empty components, which are not kept.
  std::size_t length = mark_number.size();
  while (length > 0 && mark_number[length - 1] == '.') --length;
  row.components = row.mark;
  row.components_size = size_field(length);
  row.chapter_size = 0;
  row.level = 0;
}

void ChapterTable::set_mark_number(std::size_t row, std::string_view mark_number) {
  const std::string_view current = this->mark_number(row);
  if (mark_number == current) return;
  Row& r = row_at(row);
  // The same mark with a point appended takes a point stored behind it.
  if (mark_number.size() == current.size() + 1 && mark_number.back() == '.' &&
      mark_number.compare(0, current.size(), current) == 0 && (current.empty() || current.back() != '.') &&
      r.mark[current.size()] == '.') {
    set_mark_text(r, Text{r.mark, mark_number.size()});
    return;
  }
  set_mark_text(r, store(mark_number));
}

void ChapterTable::store_mark_with_point(Row& row) {
  const std::size_t size = size_of(row.mark_size);
  if (size != 0 && row.mark[size - 1] == '.') return;
  // The byte after a mark that ends with no point is the one stored behind
  // it, or the blank after it in its line.
  if (row.mark[size] == '.') {
    set_mark_text(row, Text{row.mark, size + 1});
    return;
  }
  std::string marked(row.mark, size);
  marked += '.';
  set_mark_text(row, store(marked));
}

void ChapterTable::set_components(std::size_t row, std::string_view dotted_components) {
  const std::string_view current = components(row);
  if (dotted_components == current) return;
  Row& r = row_at(row);
  // A chapter number taken from the old components keeps their bytes.
  if (r.chapter_size != 0 && r.chapter_size < kElsewhere) {
    separate_chapters_.push_back(Text{r.components, r.chapter_size});
    r.chapter_size = kElsewhere + static_cast<std::uint32_t>(separate_chapters_.size() - 1);
  }
  const Text shared = share_with_mark(r, dotted_components);
  r.components = shared.data;
  r.components_size = size_field(shared.size);
}

void ChapterTable::set_chapter(std::size_t row, std::string_view chapter_number, int level) {
  const std::string_view components = this->components(row);
  Row& r = row_at(row);
  r.level = level;
  // A chapter number is very often the components themselves, or them and
  // a point ("3." at level 1).
  if (chapter_number.size() <= components.size() + 1 && chapter_number.size() < kElsewhere &&
      bytes_begin_with(components.data(), chapter_number)) {
    r.chapter_size = static_cast<std::uint32_t>(chapter_number.size());
    return;
  }
  const Text separate = share_with_mark(r, chapter_number);
  if (r.chapter_size >= kElsewhere) {
    separate_chapters_[r.chapter_size - kElsewhere] = separate;
    return;
  }
  separate_chapters_.push_back(separate);
  r.chapter_size = kElsewhere + static_cast<std::uint32_t>(separate_chapters_.size() - 1);
}

void ChapterTable::set_renumbered(std::size_t row, std::string_view dotted_components, std::size_t chapter_length,
                                  int level) {
  Row& r = row_at(row);
  // A row's first renumbering, the common case: no chapter number of old
  // components to keep, and the new ones are taken from the mark or stored,
  // without comparing them with the old ones first (which are the mark's).
  if (r.chapter_size == 0 && dotted_components.size() < kElsewhere && chapter_length < kElsewhere) {
    const Text shared = share_with_mark(r, dotted_components);
    r.components = shared.data;
    r.components_size = static_cast<std::uint32_t>(shared.size);
  } else {
    set_components(row, dotted_components);
  }
  r.level = level;
  const std::size_t components_size = size_of(r.components_size);
  // The byte after the components is readable; a point there completes a
  // chapter number one byte longer than they are.
  if (chapter_length < kElsewhere &&
      (chapter_length <= components_size || r.components[components_size] == '.')) {
    r.chapter_size = static_cast<std::uint32_t>(chapter_length);
    return;
  }
  std::string chapter(dotted_components);
  chapter += '.';
  chapter.resize(chapter_length);
  set_chapter(row, chapter, level);
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

template <typename KeyOf>
void ChapterTable::Index::build_once(std::size_t rows, KeyOf key_of) {
  if (built_.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> lock(building_);
  if (built_.load(std::memory_order_relaxed)) return;
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
  built_.store(true, std::memory_order_release);
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
  // The rows are final: their memory is no longer made ready ahead.
  supply_->stop();
  finished_ = true;
  by_mark_number_.clear();
  by_chapter_number_.clear();
}

std::size_t ChapterTable::first_row_with_mark_number(std::string_view key) const {
  auto key_of = [this](std::size_t row) { return mark_number(row); };
  if (finished_) by_mark_number_.build_once(row_count_, key_of);
  return by_mark_number_.find(key, key_of);
}

std::size_t ChapterTable::first_row_with_chapter_number(std::string_view key) const {
  auto key_of = [this](std::size_t row) { return chapter_number(row); };
  if (finished_) by_chapter_number_.build_once(row_count_, key_of);
  return by_chapter_number_.find(key, key_of);
}

namespace {
constexpr std::uint64_t kPastLastRow = ~std::uint64_t{0};
}  // namespace

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

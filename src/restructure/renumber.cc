#include "restructure/renumber.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "restructure/byte_words.h"
#include "restructure/chapter_mark.h"
#include "text/byte_copy.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr std::size_t kMaxLevel = static_cast<std::size_t>(kMaxChapterLevel);

// Counts a number without leading zeros up by one, in place.
void count_up(std::string& number, std::string& scratch) {
  if (!number.empty() && number.back() != '9') {
    ++number.back();
    return;
  }
  scratch.clear();
  append_incremented_component(scratch, number);
  number.swap(scratch);
}

// A chapter's leading components as their dotted text, with the end of each
// component. The renumbering keeps one chain and changes it in place from
// row to row, so a table of a million chapters costs no allocation per row.
// The text lives at the start of a buffer that only grows, so that changing
// it is a few byte moves rather than calls into the string class.
class Chain {
 public:
  std::size_t size() const { return count_; }
  // The components joined by points.
  std::string_view dotted() const { return std::string_view(buffer_.data(), length_); }

  void clear() {
    length_ = 0;
    count_ = 0;
  }

  // The components of a dotted text (as the table keeps it: no trailing empty
  // components) before its first empty one, at most kMaxLevel of them.
  void set_leading(std::string_view dotted) {
    count_ = 0;
    std::size_t from = 0;
    std::size_t end = 0;
    while (count_ < kMaxLevel && from < dotted.size()) {
      std::size_t point = dotted.find('.', from);
      if (point == std::string_view::npos) point = dotted.size();
      if (point == from) break;  // an empty component
      ends_[count_++] = point;
      end = point;
      from = point + 1;
    }
    length_ = 0;
    append(dotted.data(), end);
  }

  // Appends a component "1" (an empty one counted up); the chain holds
  // fewer than kMaxLevel components.
  void push_one() {
    reserve(length_ + 2);
    if (count_ != 0) buffer_[length_++] = '.';
    buffer_[length_++] = '1';
    ends_[count_++] = length_;
  }

  // Keeps the first `count` components.
  void keep_first(std::size_t count) {
    if (count >= count_) return;
    length_ = count == 0 ? 0 : ends_[count - 1];
    count_ = count;
  }

  // Counts the last component up by one: its leading digits without their
  // leading zeros, plus one. The chain is not empty.
  void count_up_last(std::string& scratch) {
    const std::size_t begin = count_ == 1 ? 0 : ends_[count_ - 2] + 1;
    const std::size_t length = length_ - begin;
    char* const digits = &buffer_[begin];
    // Mostly a plain number whose last digit just goes up.
    bool plain = length != 0 && (digits[0] != '0' || length == 1) && digits[length - 1] != '9';
    for (std::size_t i = 0; plain && i < length; ++i) plain = is_digit(digits[i]);
    if (plain) {
      ++digits[length - 1];
      return;
    }
    scratch.clear();
    append_incremented_component(scratch, std::string_view(digits, length));
    length_ = begin;
    append(scratch.data(), scratch.size());
    ends_[count_ - 1] = length_;
  }

 private:
  void reserve(std::size_t size) {
    if (size > buffer_.size()) buffer_.resize(std::max(size, 2 * buffer_.size()));
  }
  void append(const char* bytes, std::size_t count) {
    reserve(length_ + count);
    copy_bytes(&buffer_[length_], bytes, count);
    length_ += count;
  }

  std::string buffer_;  // the text is its first length_ bytes
  std::size_t length_ = 0;
  std::size_t ends_[kMaxLevel] = {};
  std::size_t count_ = 0;
};

// What the renumbering needs to know of a written mark: the number of
// non-empty components of its split (an empty one in between is skipped) and
// its level, the number of points once a point is appended to a mark that
// does not already end with one.
struct MarkShape {
  std::size_t nonempty = 0;
  std::size_t level = 0;
};

// Number of components that start in a dotted text: bytes that are no point
// and follow a point or the start.
std::size_t nonempty_components(std::string_view dotted) {
  std::size_t count = 0;
  bool after_point = true;
  for (char c : dotted) {
    count += after_point && c != '.';
    after_point = c == '.';
  }
  return count;
}

// The table's texts keep 16 bytes readable from their start, so a mark of up
// to 16 bytes is read as two words and counted without a loop; the byte
// loop is left to longer ones. Components that are still the mark's split
// (the mark without its trailing points, in the mark's own bytes, as the
// scan leaves them) start where the mark's components start.
MarkShape shape_of(std::string_view mark, std::string_view components) {
  using namespace byte_words;
  static_assert(ChapterTable::kReadableBytes >= 16, "two words are readable");
  MarkShape shape;
  const std::size_t size = mark.size();
  if (size > 16 || components.data() != mark.data()) {
    shape.nonempty = nonempty_components(components);
    shape.level = mark_level(mark);
    return shape;
  }
  const char* const m = mark.data();
  const std::uint64_t in0 = first_bytes(size);
  const std::uint64_t in1 = first_bytes(size < 8 ? 0 : size - 8);
  const std::uint64_t p0 = bytes_equal(load_word(m), '.') & in0;
  const std::uint64_t p1 = bytes_equal(load_word(m + 8), '.') & in1;
  const std::size_t end_point = size == 0 || m[size - 1] != '.' ? 1 : 0;
  shape.level = byte_count(p0) + byte_count(p1) + end_point;
  // A byte starts a component when it is no point and the byte before it
  // is one (or it is the first).
  const std::uint64_t starts0 = ~p0 & in0 & ((p0 << 8) | 0x80);
  const std::uint64_t starts1 = ~p1 & in1 & ((p1 << 8) | (p0 >> 56));
  shape.nonempty = byte_count(starts0) + byte_count(starts1);
  return shape;
}

// Moves the chain from the chapter before to a chapter whose mark has
// `level` points (2 or more), by the mark level of the chapter before: the
// same level counts up the last component (or, when the chain holds fewer
// than two, appends a first one), a deeper level appends a component, a
// higher one goes back one component and counts it up.
void relink(Chain& chain, std::size_t previous_level, std::size_t level, std::string& scratch) {
  const std::size_t k = chain.size();
  if (level == previous_level) {
    if (k >= 2) return chain.count_up_last(scratch);
    return chain.push_one();
  }
  if (level > previous_level) {
    // No level beyond the deepest: the chapter becomes the next sibling.
    if (k == kMaxLevel) return chain.count_up_last(scratch);
    return chain.push_one();
  }
  // Going up from level 2 stays at level 2; from level 0 or 1 there is no
  // chapter to count up, and the number is empty.
  if (k < 2) return chain.clear();
  if (k > 2) chain.keep_first(k - 1);
  chain.count_up_last(scratch);
}

// Sets the row's components and chapter number: the chain's components
// joined, with a final point at level 1.
void set_chapter_of(ChapterTable& table, std::size_t row, std::string_view components, const Chain& chain) {
  const std::size_t length = chain.dotted().size() + (chain.size() == 1 ? 1 : 0);
  table.set_renumbered(row, components, length, static_cast<int>(chain.size()));
}

// Mark numbers end with a point from the renumbering on, so that the written
// numbers "1.2" and "1.2." are the same mark for levels and cross-references.
// Returns the mark's shape, which the point does not change; `components`
// are the row's.
inline MarkShape normalise_mark_number(ChapterTable& table, std::size_t row, std::string_view components) {
  const MarkShape shape = shape_of(table.mark_number(row), components);
  table.end_mark_number_with_point(row);
  return shape;
}

}  // namespace

// The renumbering's state from one row to the next.
struct Renumbering::State {
  explicit State(ChapterTable& t) : table(t) {}

  // The first chapter keeps its split; its number of non-empty components
  // decides which later marks advance the top-level counter.
  void first_row() {
    const std::string_view first = table.components(1);
    top_number = rounded_leading_number(table.mark_number(1));
    const MarkShape first_shape = normalise_mark_number(table, 1, first);
    top_depth = first_shape.nonempty;
    previous_level = first_shape.level;
    chain.set_leading(first);
    set_chapter_of(table, 1, first, chain);
  }

  // Counting the top level and relinking share one pass: whether a row
  // advances the counter depends only on its own written components, and
  // only a level-1 row keeps what the counter gave it.
  void later_row(std::size_t row) {
    // Views of the table stay valid while it changes.
    std::string_view components = table.components(row);
    const MarkShape shape = normalise_mark_number(table, row, components);
    const bool counts = shape.nonempty <= top_depth;
    if (counts) count_up(top_number, scratch);
    if (shape.level == 1) {
      // A level-1 mark keeps its split, with the counted top-level number;
      // its chain is the start of it. Its split is mostly that number alone.
      if (counts) {
        const std::size_t point = components.find('.');
        if (point == std::string_view::npos) {
          components = top_number;
        } else {
          counted.assign(top_number);
          counted.append(components.substr(point));
          components = counted;
        }
      }
      chain.set_leading(components);
      set_chapter_of(table, row, components, chain);
    } else {
      relink(chain, previous_level, shape.level, scratch);
      set_chapter_of(table, row, chain.dotted(), chain);
    }
    previous_level = shape.level;
  }

  ChapterTable& table;
  std::string scratch;
  std::string top_number;
  std::size_t top_depth = 0;
  std::size_t previous_level = 0;
  Chain chain;
  std::string counted;  // a row's components with the counted top-level number
};

Renumbering::Renumbering(ChapterTable& table, std::int64_t indent_increment)
    : state_(std::make_unique<State>(table)) {
  table.set_indent_increment(indent_increment);
}

Renumbering::~Renumbering() = default;

void Renumbering::add(std::size_t row) {
  if (row == 1) {
    state_->first_row();
  } else {
    state_->later_row(row);
  }
}

void Renumbering::finish() { state_->table.finish(); }

void renumber_chapters(ChapterTable& table, std::int64_t indent_increment) {
  Renumbering renumbering(table, indent_increment);
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) renumbering.add(row);
  renumbering.finish();
}

}  // namespace kestram

#include "restructure/chapter_list.h"

#include <charconv>
#include <cstring>
#include <memory>

#include "restructure/byte_words.h"
#include "restructure/renumber.h"
#include "text/byte_copy.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr int kDefaultConsoleWidth = 80;
constexpr std::string_view kColumnGap = "  ";
constexpr std::string_view kLineEnd = "\r\n";
// Output is gathered into blocks of about this size and handed on whole, so
// a table of a million rows costs a few hundred calls, not millions.
constexpr std::size_t kBlockBytes = 64 * 1024;

// A growing buffer of output bytes, written through raw pointers.
class Block {
 public:
  Block() : data_(new char[kBlockBytes]), capacity_(kBlockBytes) {}

  std::size_t size() const { return size_; }
  std::string_view view() const { return std::string_view(data_.get(), size_); }
  void clear() { size_ = 0; }

  // Room for at least `count` more bytes; they are written from the returned
  // pointer on and then kept with commit().
  char* reserve(std::size_t count) {
    if (count > capacity_ - size_) grow(size_ + count);
    return data_.get() + size_;
  }
  void commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

 private:
  void grow(std::size_t needed) {
    std::size_t capacity = capacity_ * 2;
    while (capacity < needed) capacity *= 2;
    std::unique_ptr<char[]> larger(new char[capacity]);
    std::memcpy(larger.get(), data_.get(), size_);
    data_ = std::move(larger);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_;
};

char* put(char* at, std::string_view text) { return copy_bytes(at, text.data(), text.size()); }

// Texts of the table and the few of this file are copied by put_short():
// short ones, which are nearly all, move in one fixed-size piece. Their
// sources keep kShortCopy bytes readable from their start (the table
// promises it), and every write below may run kShortCopy bytes past the
// bytes it keeps, for which the blocks reserve kOvershoot more.
static_assert(ChapterTable::kReadableBytes >= kShortCopy, "table texts can be moved in one piece");
constexpr std::size_t kOvershoot = kShortCopy;

char* put_short(char* at, std::string_view text) {
  return text.size() <= kShortCopy ? copy_short(at, text.data(), text.size()) : put(at, text);
}

// Two bytes, such as a gap or a line end, in one store.
char* put_two(char* at, std::string_view two) {
  std::memcpy(at, two.data(), 2);
  return at + 2;
}

// The blanks before a print zone: at most kPrintZoneWidth of them.
char* put_blanks(char* at, std::size_t count) {
  static constexpr char kBlanks[] = "                ";
  static_assert(sizeof kBlanks - 1 >= kShortCopy && kShortCopy >= kPrintZoneWidth, "a zone's blanks fit");
  return copy_short(at, kBlanks, count);
}

// A non-empty cell and its gap.
char* put_column(char* at, std::string_view text) {
  if (text.empty()) return at;
  return put_two(put_short(at, text), kColumnGap);
}

// Every non-empty component of a dotted text, each followed by the gap.
// Each byte writes two: a digit, whose second byte the next one writes
// over, or the gap after a component; a point that ends none is taken
// back. So the loop has no branch per byte.
char* put_components(char* at, std::string_view dotted) {
  bool in_component = false;
  for (char c : dotted) {
    const bool point = c == '.';
    at[0] = point ? ' ' : c;
    at[1] = ' ';
    at += point ? (in_component ? 2 : 0) : 1;
    in_component = !point;
  }
  return in_component ? put_two(at, kColumnGap) : at;
}

// The decimal text of the mark lines of the rows in turn. They grow from row
// to row, often by a few lines, and then only the last digit changes. Up to
// eight digits are kept in a word and stored whole: a byte changed in memory
// and read back at once as part of a wider load would stall the copy.
class LineNumberText {
 public:
  // Writes the number's digits at `at`, which has kOvershoot bytes of room
  // beyond them; returns their end.
  char* put(char* at, std::uint64_t number) {
    const unsigned shift = size_ <= 8 ? 8 * static_cast<unsigned>(size_ - 1) : 0;
    const std::uint64_t last_digit = (word_ >> shift) & 0xFF;
    if (size_ <= 8 && number >= last_ && number - last_ <= '9' - last_digit) {
      word_ += (number - last_) << shift;
    } else {
      char digits[24] = {};  // a 64-bit number has at most 20
      size_ = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
      word_ = byte_words::load_word(digits);
      if (size_ > 8) {
        last_ = ~std::uint64_t{0};  // no quick step from a long number
        return copy_bytes(at, digits, size_);
      }
    }
    last_ = number;
    byte_words::store_word(at, word_);
    return at + size_;
  }

 private:
  std::uint64_t word_ = '0';  // the digits, the first in the lowest byte
  std::size_t size_ = 1;
  std::uint64_t last_ = 0;
};

// An indentation width as decimal text, with room for put_short() to read.
class WidthText {
 public:
  void set(std::string_view text) { size_ = static_cast<std::size_t>(copy_bytes(digits_, text.data(), text.size()) - digits_); }
  std::string_view view() const { return std::string_view(digits_, size_); }

 private:
  char digits_[48 + kShortCopy] = {};  // a 128-bit product has at most 40 and a sign
  std::size_t size_ = 0;
};

}  // namespace

std::string base_name_of(std::string_view input_file_name) {
  std::size_t at = find_lower(input_file_name, ".txt");
  return std::string(input_file_name.substr(0, at));
}

std::string chapters_file_name(std::string_view base_name) {
  return std::string(base_name) + "_chapters.txt";
}

void print_chapter_list(const ChapterTable& table, int console_width,
                        const std::function<void(std::string_view)>& print_line) {
  const std::uint64_t width = console_width > 0 ? static_cast<std::uint64_t>(console_width)
                                                : static_cast<std::uint64_t>(kDefaultConsoleWidth);
  Block block;
  // print_line ends the last line of a block; the others carry their ends.
  auto hand_on = [&block, &print_line]() {
    print_line(block.view().substr(0, block.size() - kLineEnd.size()));
    block.clear();
  };
  char* at = block.reserve(kChapterListRule.size() + kLineEnd.size());
  block.commit(put(put(at, kChapterListRule), kLineEnd));
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::string_view mark = table.mark_number(row);
    const std::string_view chapter = table.chapter_number(row);
    // 0-based column after the mark on its last console line. A mark filling
    // its line exactly leaves the cursor at the start of the next one.
    const std::uint64_t column = mark.size() < width ? mark.size() : mark.size() % width;
    // The next zone strictly after the cursor: a 14-character mark is
    // followed by 14 blanks, not by none.
    const std::uint64_t zone_width = kPrintZoneWidth;
    const std::uint64_t blanks = zone_width - column % zone_width;
    const std::uint64_t zone = column + blanks;  // 0-based
    // Otherwise the chapter number goes on a line of its own.
    const bool same_line = zone + zone_width < width;
    const std::size_t between = same_line ? static_cast<std::size_t>(blanks) : kLineEnd.size();
    const std::size_t length = mark.size() + between + chapter.size() + kLineEnd.size();
    if (block.size() != 0 && block.size() + length > kBlockBytes) hand_on();
    at = put_short(block.reserve(length + kOvershoot), mark);
    at = same_line ? put_blanks(at, between) : put_two(at, kLineEnd);
    block.commit(put_two(put_short(at, chapter), kLineEnd));
  }
  hand_on();
}

void write_chapters_file(const ChapterTable& table, LineWriter& out) {
  // The widths of the levels the renumbering gives, formatted once.
  WidthText level_widths[kMaxChapterLevel + 1];
  for (int level = 0; level <= kMaxChapterLevel; ++level)
    level_widths[level].set(table.indent_width_text_of_level(level));
  WidthText other_width;
  LineNumberText line_number;
  Block block;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::string_view mark = table.mark_number(row);
    const std::string_view chapter = table.chapter_number(row);
    const std::string_view components = table.components(row);
    const int level = table.level(row);
    std::string_view width;
    if (level >= 0 && level <= kMaxChapterLevel) {
      width = level_widths[level].view();
    } else {
      other_width.set(table.indent_width_text_of_level(level));
      width = other_width.view();
    }
    // Every cell with its gap, a point between components turned into a gap,
    // and the ends of the two lines.
    constexpr std::size_t kLongestLineNumber = 20;
    const std::size_t bound = mark.size() + kLongestLineNumber + width.size() + chapter.size() +
                              2 * components.size() + 32 + kOvershoot;
    char* at = block.reserve(bound);
    at = put_column(at, mark);
    at = put_two(line_number.put(at, table.mark_line(row)), kColumnGap);
    at = put_column(at, width);
    at = put_column(at, chapter);
    at = put_components(at, components);
    at = put_two(put_two(at, kColumnGap), kLineEnd);
    at = put_two(put_two(at, kColumnGap), kLineEnd);
    block.commit(at);
    if (block.size() >= kBlockBytes) {
      out.write(block.view());
      block.clear();
    }
  }
  out.write(block.view());
}

}  // namespace kestram

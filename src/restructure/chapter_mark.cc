#include "restructure/chapter_mark.h"

#include <cstdint>

#include "restructure/byte_words.h"
#include "text/text.h"

namespace kestram {
namespace {

// The digits of a leading number: before its point, and after it up to the
// next byte that is no digit.
struct LeadingNumber {
  std::string_view whole;
  std::string_view fraction;
};

std::size_t digit_run(std::string_view text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && is_digit(text[end])) ++end;
  return end - from;
}

LeadingNumber leading_number(std::string_view text) {
  LeadingNumber number;
  std::size_t whole_length = digit_run(text, 0);
  number.whole = text.substr(0, whole_length);
  if (whole_length < text.size() && text[whole_length] == '.')
    number.fraction = text.substr(whole_length + 1, digit_run(text, whole_length + 1));
  return number;
}

std::string_view without_leading_zeros(std::string_view digits) {
  std::size_t zeros = 0;
  while (zeros < digits.size() && digits[zeros] == '0') ++zeros;
  return digits.substr(zeros);
}

// Appends a decimal digit string that has no leading zeros ("" is 0), plus
// one, to `out`.
void append_plus_one(std::string& out, std::string_view digits) {
  const std::size_t start = out.size();
  out.append(digits);
  std::size_t i = out.size();
  while (i > start && out[i - 1] == '9') out[--i] = '0';
  if (i == start) {
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(start), '1');
  } else {
    ++out[i - 1];
  }
}

std::string add_one(std::string_view digits) {
  std::string result;
  append_plus_one(result, digits);
  return result;
}

}  // namespace

std::string_view first_word(std::string_view trimmed_line) {
  std::size_t blank = trimmed_line.find(' ');
  if (blank == std::string_view::npos) return {};
  return trimmed_line.substr(0, blank);
}

namespace {

using byte_words::bytes_equal;
using byte_words::digit_bytes;
using byte_words::first_byte;
using byte_words::kHigh;
using byte_words::load_word;

// The leading number's whole part (its digits without leading zeros)
// against the bound.
bool below_bound(std::string_view whole) {
  if (whole.size() != kChapterNumberBound.size()) return whole.size() < kChapterNumberBound.size();
  return whole < kChapterNumberBound;
}

// The test on a line whose first word is too long for the quick test.
MarkTest test_mark_bytewise(std::string_view trimmed_line) {
  const char* const text = trimmed_line.data();
  const std::size_t size = trimmed_line.size();
  std::size_t i = 0;
  while (i < size && text[i] == '0') ++i;
  const std::size_t whole_begin = i;
  while (i < size && is_digit(text[i])) ++i;
  // Below 2000 exactly when the whole part is: the fraction never reaches 1.
  const bool below = below_bound(std::string_view(text + whole_begin, i - whole_begin));
  std::size_t points = 0;
  for (; i < size; ++i) {
    const char c = text[i];
    if (c == '.') {
      if (++points > kMaxMarkPoints) return {};
    } else if (c == ' ') {
      if (points == 0) return {};
      return MarkTest{true, below, i};
    } else if (!is_digit(c)) {
      return {};
    }
  }
  return {};  // no blank, so no first word
}

}  // namespace

MarkTest test_mark(std::string_view trimmed_line) {
  const char* const text = trimmed_line.data();
  const std::size_t size = trimmed_line.size();
  // Most lines of a document fail at their first byte.
  if (size == 0 || !(is_digit(text[0]) || text[0] == '.')) return {};
  // A first word of up to 15 bytes and its blank are tested in two words at
  // once, without a branch per byte; fewer points than kMaxMarkPoints fit.
  if (size < 16) return test_mark_bytewise(trimmed_line);
  const std::uint64_t word = load_word(text);
  const std::uint64_t digits = digit_bytes(word);
  unsigned end;  // the first byte that is neither digit nor point
  unsigned whole_end;  // the first byte that is no digit
  const std::uint64_t others = ~(digits | bytes_equal(word, '.')) & kHigh;
  if (others != 0) {
    end = first_byte(others);
    whole_end = first_byte(~digits & kHigh);
  } else {
    const std::uint64_t next_word = load_word(text + 8);
    const std::uint64_t next_digits = digit_bytes(next_word);
    const std::uint64_t next_others = ~(next_digits | bytes_equal(next_word, '.')) & kHigh;
    if (next_others == 0) return test_mark_bytewise(trimmed_line);
    end = 8 + first_byte(next_others);
    const std::uint64_t non_digits = ~digits & kHigh;
    whole_end = non_digits != 0 ? first_byte(non_digits) : 8 + first_byte(~next_digits & kHigh);
  }
  if (text[end] != ' ') return {};
  // The first word is digits and points, so it holds a point exactly when
  // its digits stop before its end.
  if (whole_end == end) return {};
  // Up to three digits are below the bound whatever zeros lead them.
  if (whole_end < kChapterNumberBound.size()) return MarkTest{true, true, end};
  std::size_t whole_begin = 0;
  while (text[whole_begin] == '0') ++whole_begin;
  return MarkTest{true, below_bound(std::string_view(text + whole_begin, whole_end - whole_begin)), end};
}

bool is_candidate_mark(std::string_view trimmed_line) { return test_mark(trimmed_line).candidate; }

bool is_chapter_mark(std::string_view trimmed_line) { return test_mark(trimmed_line).chapter; }

std::string rounded_leading_number(std::string_view text) {
  LeadingNumber number = leading_number(text);
  std::string_view whole = without_leading_zeros(number.whole);
  std::string_view fraction = number.fraction;
  bool up = false;
  if (!fraction.empty() && fraction[0] > '5') {
    up = true;
  } else if (!fraction.empty() && fraction[0] == '5') {
    bool beyond_half = fraction.find_first_not_of('0', 1) != std::string_view::npos;
    bool odd = !whole.empty() && (whole.back() - '0') % 2 == 1;
    up = beyond_half || odd;
  }
  if (up) return add_one(whole);
  return whole.empty() ? std::string("0") : std::string(whole);
}

std::size_t mark_level(std::string_view mark_number) {
  std::size_t points = 0;
  for (char c : mark_number)
    if (c == '.') ++points;
  if (mark_number.empty() || mark_number.back() != '.') ++points;
  return points;
}

std::string increment_component(std::string_view component) {
  std::string result;
  append_incremented_component(result, component);
  return result;
}

void append_incremented_component(std::string& out, std::string_view component) {
  append_plus_one(out, without_leading_zeros(component.substr(0, digit_run(component, 0))));
}

}  // namespace kestram

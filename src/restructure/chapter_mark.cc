#include "restructure/chapter_mark.h"

#include <cstdint>

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

// The leading number's whole part (its digits without leading zeros)
// against the bound.
bool below_bound(std::string_view whole) {
  if (whole.size() != kChapterNumberBound.size()) return whole.size() < kChapterNumberBound.size();
  return whole < kChapterNumberBound;
}

}  // namespace

MarkTest test_mark(std::string_view trimmed_line) {
  const char* const text = trimmed_line.data();
  const std::size_t size = trimmed_line.size();
  // Most lines of a document fail at their first byte.
  if (size == 0 || !(is_digit(text[0]) || text[0] == '.')) return {};
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

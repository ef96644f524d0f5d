#include "run/dialogue.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "text/text.h"

namespace kestram {
namespace {

constexpr std::size_t kTextFieldBytes = 4096;
constexpr std::size_t kNumberFieldBytes = 67;
constexpr std::string_view kLineEnd = "\r\n";

constexpr std::int64_t kMaxWhole = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinWhole = std::numeric_limits<std::int64_t>::min();

// An exponent beyond this already puts any value far outside the range, so
// its further digits need not be added (and cannot overflow).
constexpr std::int64_t kExponentLimit = 1'000'000'000'000;

// A magnitude with its sign, clamped to the range of std::int64_t.
std::int64_t saturate(std::uint64_t magnitude, bool negative) {
  constexpr auto kMaxMagnitude = static_cast<std::uint64_t>(kMaxWhole);
  if (!negative) return magnitude > kMaxMagnitude ? kMaxWhole : static_cast<std::int64_t>(magnitude);
  if (magnitude > kMaxMagnitude) return kMinWhole;
  return -static_cast<std::int64_t>(magnitude);
}

int digit_value(char c) {
  if (is_digit(c)) return c - '0';
  char lower = ascii_lower(c);
  if (lower >= 'a' && lower <= 'z') return lower - 'a' + 10;
  return -1;
}

// The leading digits of `digits` in the given base, up to the first byte that
// is no digit of it; none give 0.
std::int64_t parse_based(std::string_view digits, int base) {
  std::uint64_t value = 0;
  const auto limit = std::numeric_limits<std::uint64_t>::max();
  for (char c : digits) {
    int d = digit_value(c);
    if (d < 0 || d >= base) break;
    if (value > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) return kMaxWhole;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
  }
  return saturate(value, false);
}

// The decimal number at the very start of `text` (sign, digits, point,
// exponent with e or d), taken to the nearest whole number with a half going
// to the even neighbour. The rounding works on the decimal digits themselves,
// never on a binary floating-point value, so no digit is lost to precision.
std::int64_t round_leading_decimal(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  // value = significant * 10^(exponent - fraction_digits), where significant
  // holds the digits without their leading zeros.
  std::string significant;
  std::int64_t fraction_digits = 0;
  auto take_digit = [&](char c) {
    if (!significant.empty() || c != '0') significant += c;
  };
  for (; i < text.size() && is_digit(text[i]); ++i) take_digit(text[i]);
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) {
      take_digit(text[i]);
      ++fraction_digits;
    }
  }
  if (significant.empty()) return 0;  // no digit, or only zeros

  std::int64_t exponent = 0;
  if (i < text.size() && (ascii_lower(text[i]) == 'e' || ascii_lower(text[i]) == 'd')) {
    std::size_t j = i + 1;
    bool exponent_negative = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent_negative = text[j++] == '-';
    for (; j < text.size() && is_digit(text[j]); ++j)
      if (exponent < kExponentLimit) exponent = exponent * 10 + (text[j] - '0');
    if (exponent_negative) exponent = -exponent;
  }

  // Number of digits before the point once the exponent is applied.
  const std::int64_t whole_digits =
      static_cast<std::int64_t>(significant.size()) + exponent - fraction_digits;
  if (whole_digits > 19) return saturate(std::numeric_limits<std::uint64_t>::max(), negative);
  if (whole_digits < 0) return 0;  // below 0.1

  // At most 19 digits: 10^19 - 1 (and 10^19 after rounding up) fit in 64 bits.
  std::uint64_t whole = 0;
  const auto whole_count = static_cast<std::size_t>(whole_digits);
  for (std::size_t k = 0; k < whole_count; ++k)
    whole = whole * 10 + (k < significant.size() ? static_cast<std::uint64_t>(significant[k] - '0') : 0);
  if (whole_count < significant.size()) {
    char first_dropped = significant[whole_count];
    bool beyond_half = std::any_of(significant.begin() + static_cast<std::ptrdiff_t>(whole_count) + 1,
                                   significant.end(), [](char c) { return c != '0'; });
    if (first_dropped > '5' || (first_dropped == '5' && (beyond_half || whole % 2 == 1))) ++whole;
  }
  return saturate(whole, negative);
}

}  // namespace

void print_line(Console& console, std::string_view text) {
  console.write(text);
  console.write(kLineEnd);
}

void print_text(Console& console, std::string_view text) { console.write(text); }

void print_empty_line(Console& console) { console.write(kLineEnd); }

namespace {

// Prints the prompt and "? " and reads the answer line; end of input reads as
// an empty line.
std::string ask_line(Console& console, std::string_view prompt) {
  console.write(prompt);
  console.write("? ");
  std::optional<std::string> line = console.read_line();
  return line ? std::move(*line) : std::string();
}

}  // namespace

std::string ask_text(Console& console, std::string_view prompt) {
  return first_answer_field(ask_line(console, prompt), kTextFieldBytes, false);
}

std::int64_t ask_number(Console& console, std::string_view prompt) {
  return parse_number(first_answer_field(ask_line(console, prompt), kNumberFieldBytes, true));
}

Flow offer_continue_or_end(Console& console, std::string_view choice_1, std::string_view choice_2) {
  print_line(console, choice_1);
  print_line(console, choice_2);
  // Keys that are neither "1" nor "2" (letters, Enter, arrows) are ignored in
  // silence. When no key can come any more, waiting would never end.
  while (std::optional<std::string> key = console.read_key()) {
    if (*key == "1") return Flow::kGoOn;
    if (*key == "2") return Flow::kEndRun;
  }
  return Flow::kEndRun;
}

Flow offer_end(Console& console) {
  print_line(console, "<1> = continue and end");
  while (std::optional<std::string> key = console.read_key())
    if (*key == "1") break;
  return Flow::kEndRun;
}

Flow pause_then_end(Console& console, std::string_view message) {
  print_line(console, message);
  console.read_key();
  return Flow::kEndRun;
}

std::string first_answer_field(std::string_view typed_line, std::size_t max_length, bool blank_ends) {
  std::size_t begin = 0;
  while (begin < typed_line.size() && (typed_line[begin] == ' ' || typed_line[begin] == '\t')) ++begin;
  const bool quoted = begin < typed_line.size() && typed_line[begin] == '"';
  if (quoted) ++begin;
  // Bytes past max_length are dropped anyway, so the scan stops there.
  std::size_t end = begin;
  while (end < typed_line.size() && end - begin < max_length) {
    char c = typed_line[end];
    if (quoted ? c == '"' : c == ',') break;
    if (blank_ends && (c == ' ' || c == '\t')) break;
    ++end;
  }
  return std::string(typed_line.substr(begin, end - begin));
}

std::int64_t parse_number(std::string_view field) {
  // The base prefix is tested first: "&HE0" and "&HD" hold the letters of an
  // exponent, yet they are hexadecimal numbers.
  if (field.size() >= 2 && field[0] == '&') {
    switch (ascii_lower(field[1])) {
      case 'h': return parse_based(field.substr(2), 16);
      case 'o': return parse_based(field.substr(2), 8);
      case 'b': return parse_based(field.substr(2), 2);
      default: break;
    }
  }
  // Without a point or an exponent letter the decimal reading stops at the
  // first byte after the sign that is no digit, which is the reading of the
  // plain leading digits; so one reading serves both kinds of field.
  return round_leading_decimal(field);
}

std::int64_t parse_leading_decimal(std::string_view text) {
  return round_leading_decimal(trim_blanks(text));
}

}  // namespace kestram

// The answer parsers: arbitrary bytes as a typed line, read by ask_text and
// ask_number through a console, and as a field for the number readings.
//
// Beyond "no crash": a field never exceeds its length, a number field holds
// no blank, and a plain decimal field reads as exactly the integer it names
// (saturated at the ends of the 64-bit range).
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "run/dialogue.h"

namespace kestram {
namespace {

// Hands out one typed line, then the end of input.
class OneLineConsole : public Console {
 public:
  explicit OneLineConsole(std::string_view line) : line_(line) {}
  void write(std::string_view text) override { written_ += text.size(); }
  std::optional<std::string> read_key() override { return std::nullopt; }
  std::optional<std::string> read_line() override {
    if (used_) return std::nullopt;
    used_ = true;
    return line_;
  }
  int width() const override { return 80; }

 private:
  std::string line_;
  bool used_ = false;
  std::size_t written_ = 0;
};

// The value of an optional sign and decimal digits, saturated, or nullopt when
// the field is not of that form.
std::optional<std::int64_t> plain_integer(std::string_view field) {
  std::size_t i = 0;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  if (i == field.size()) return std::nullopt;
  for (std::size_t k = i; k < field.size(); ++k)
    if (field[k] < '0' || field[k] > '9') return std::nullopt;
  std::string digits(negative ? "-" : "");
  digits.append(field.substr(i));
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range)
    return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace
}  // namespace kestram

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestram;
  const std::string_view typed(reinterpret_cast<const char*>(data), size);

  const std::string text_field = first_answer_field(typed, 4096, false);
  FUZZ_CHECK(text_field.size() <= 4096);
  const std::string number_field = first_answer_field(typed, 67, true);
  FUZZ_CHECK(number_field.size() <= 67);
  FUZZ_CHECK(number_field.find(' ') == std::string::npos && number_field.find('\t') == std::string::npos);

  OneLineConsole text_console(typed);
  FUZZ_CHECK(ask_text(text_console, "? ") == text_field);
  OneLineConsole number_console(typed);
  const std::int64_t number = ask_number(number_console, "? ");
  FUZZ_CHECK(number == parse_number(number_field));

  if (std::optional<std::int64_t> expected = plain_integer(typed)) {
    FUZZ_CHECK(parse_number(typed) == *expected);
    FUZZ_CHECK(parse_leading_decimal(typed) == *expected);
  }
  // Rounding to the nearest whole number never moves by more than a half, so
  // "N.5" reads as N or N+1 and "N.4" as N.
  if (std::optional<std::int64_t> whole = plain_integer(typed)) {
    if (*whole >= 0 && *whole < std::numeric_limits<std::int64_t>::max()) {
      const std::string half = std::string(typed) + ".5";
      const std::int64_t rounded = parse_leading_decimal(half);
      FUZZ_CHECK(rounded == *whole || rounded == *whole + 1);
      FUZZ_CHECK(rounded % 2 == 0);
      FUZZ_CHECK(parse_leading_decimal(std::string(typed) + ".4999") == *whole);
    }
  }
  parse_leading_decimal(typed);
  return 0;
}

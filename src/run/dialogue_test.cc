// The parse rules of typed answers; the dialogue itself is shown by
// tests/examples/dialogue.txt.
#include "run/dialogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>


namespace kestram {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(FirstAnswerField, FieldRules) {
  struct Case {
    std::string line;
    std::size_t max_length;
    bool blank_ends;
    std::string expected;
  };
  const std::string nul_line("a\0b,c", 5);
  for (const Case& c : std::vector<Case>{
           {"  word, second", 4096, false, "word"},
           {"  \"word, second\"", 4096, false, "word, second"},
           {"\"quoted\" tail, more", 4096, false, "quoted"},
           {"\"no closing quote, here", 4096, false, "no closing quote, here"},
           {"\"\"", 4096, false, ""},
           {"   ", 4096, false, ""},
           {"", 4096, false, ""},
           {",word", 4096, false, ""},
           {"\t \tword", 4096, false, "word"},
           {"a \"b\" c, d", 4096, false, "a \"b\" c"},  // a later quote is ordinary
           {"two words  ", 4096, false, "two words  "},
           {"tab\tinside", 4096, false, "tab\tinside"},
           {nul_line, 4096, false, std::string("a\0b", 3)},
           {"3 4", 67, true, "3"},
           {"3\t4", 67, true, "3"},
           {"  2.5,7", 67, true, "2.5"},
           {"\"3,5\" 4", 67, true, "3,5"},
           {"\"3 5\"", 67, true, "3"},
           {std::string(5000, 'x'), 4096, false, std::string(4096, 'x')},
           {std::string(5000, '7'), 67, true, std::string(67, '7')},
           {"\"" + std::string(5000, 'q'), 4096, false, std::string(4096, 'q')}}) {
    EXPECT_EQ(c.expected, first_answer_field(c.line, c.max_length, c.blank_ends)) << c.line;
  }
}

TEST(ParseNumber, Readings) {
  struct Case {
    std::string field;
    std::int64_t expected;
  };
  for (const Case& c : std::vector<Case>{
           // Plain digits after an optional sign.
           {"5abc", 5}, {"+7", 7}, {"-7", -7}, {"007", 7}, {"a", 0}, {"", 0}, {"-", 0}, {"+", 0},
           {"--5", 0}, {" 5", 0}, {std::string("5\0003", 3), 5},
           // Decimal numbers to the nearest whole number, a half to the even one.
           {"3.5", 4}, {"2.5", 2}, {"2.6", 3}, {"2.4999", 2}, {"0.5", 0}, {"1.5", 2}, {"-2.5", -2},
           {"-3.5", -4}, {"-0.4", 0}, {".5", 0}, {".51", 1}, {"+.6", 1}, {"5.", 5}, {".", 0},
           {"2.5000000000000001", 3}, {"2.50000000000000000000", 2}, {"0.4999999999999999999999", 0},
           {"1e3", 1000}, {"1E3", 1000}, {"1d2", 100}, {"1D2", 100}, {"1.5e1", 15}, {"25e-1", 2},
           {"35E-1", 4}, {"5e-1", 0}, {"15e-1", 2}, {"1.e1", 10}, {"1e", 1}, {"1e+", 1}, {"12d", 12},
           {"1e5.5", 100000}, {"e5", 0}, {".e5", 0}, {"word", 0}, {"4.5e-0", 4},
           {"1.5e0000000000000000000000001", 15},
           // Hexadecimal, octal and binary, either letter case.
           {"&H1F", 31}, {"&hff", 255}, {"&HE5", 229}, {"&HD", 13}, {"&O17", 15}, {"&o8", 0},
           {"&B101", 5}, {"&b102", 2}, {"&H", 0}, {"&", 0}, {"&X1", 0}, {"&17", 0},
           {"&H7FFFFFFFFFFFFFFF", kMax}, {"&HFFFFFFFFFFFFFFFF", kMax}, {"&H1" + std::string(40, '0'), kMax},
           // The range saturates; nothing overflows.
           {"9223372036854775807", kMax}, {"9223372036854775808", kMax}, {"-9223372036854775808", kMin},
           {"-9223372036854775809", kMin}, {"99999999999999999999", kMax}, {"9223372036854775806.5", kMax - 1},
           {"9223372036854775807.5", kMax}, {"-9223372036854775808.5", kMin}, {"9999999999999999999.5", kMax},
           {"1e999999999", kMax}, {"-1e999999999", kMin}, {"1e-999999999", 0},
           {"1e99999999999999999999999999", kMax}, {"1e18", 1'000'000'000'000'000'000},
           {"1" + std::string(10000, '0'), kMax}, {std::string(9999, '0') + "7", 7},
           {"0." + std::string(10000, '0') + "1", 0}, {"0." + std::string(10000, '9'), 1},
           {std::string(10000, '9') + "e-9998", 100}, {"5" + std::string(10000, '0') + "e-10000", 5}}) {
    EXPECT_EQ(c.expected, parse_number(c.field)) << c.field.substr(0, 40);
  }
}

TEST(ParseLeadingDecimal, IndentationAnswers) {
  struct Case {
    std::string text;
    std::int64_t expected;
  };
  for (const Case& c : std::vector<Case>{{"4", 4},
                                         {"  4  ", 4},
                                         {"2.5", 2},
                                         {"3.5", 4},
                                         {"0.4", 0},
                                         {"word", 0},
                                         {"", 0},
                                         {"   ", 0},
                                         {"-3", -3},
                                         {"2x", 2},
                                         {"1e1", 10},
                                         {"&H10", 0},  // no base prefixes here
                                         {"1e999999999", kMax},
                                         {"\t3", 0}}) {
    EXPECT_EQ(c.expected, parse_leading_decimal(c.text)) << c.text;
  }
}

}  // namespace
}  // namespace kestram

#include "run/dialogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/scripted_console.h"

namespace kestram {
namespace {

using testing::ScriptedConsole;

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

TEST(Printing, LineEndsAndBytes) {
  ScriptedConsole console;
  print_line(console, "one");
  print_text(console, "two ");
  print_text(console, std::string("a\0b", 3));
  print_empty_line(console);
  print_line(console, "");
  EXPECT_EQ(std::string("one\r\ntwo a\0b\r\n\r\n", 16), console.transcript());
}

TEST(Asking, PromptThenFirstField) {
  ScriptedConsole console({}, {"  word, second", "  \"word, second\"", "   "});
  EXPECT_EQ("word", ask_text(console, "name = "));
  EXPECT_EQ("word, second", ask_text(console, "name = "));
  EXPECT_EQ("", ask_text(console, "name = "));
  EXPECT_EQ("", ask_text(console, "name = "));  // end of input
  EXPECT_EQ("name = ? name = ? name = ? name = ? ", console.transcript());

  ScriptedConsole numbers({}, {"3.5", "2.5", "x", "7 9", std::string(100, '1')});
  EXPECT_EQ(4, ask_number(numbers, "n"));
  EXPECT_EQ(2, ask_number(numbers, "n"));
  EXPECT_EQ(0, ask_number(numbers, "n"));
  EXPECT_EQ(7, ask_number(numbers, "n"));
  EXPECT_EQ(kMax, ask_number(numbers, "n"));
  EXPECT_EQ(0, ask_number(numbers, "n"));  // end of input
  EXPECT_EQ(0u, numbers.keys_read());
}

TEST(Menus, KeysAndEndOfInput) {
  using Keys = std::vector<std::string>;
  enum Menu { kContinueOrEnd, kEnd, kPause };
  struct Case {
    Menu menu;
    Keys keys;
    Flow expected;
    std::size_t keys_taken;  // keys the menu consumed before it returned
  };
  for (const Case& c : std::vector<Case>{
           {kContinueOrEnd, {"1", "2"}, Flow::kGoOn, 1},
           {kContinueOrEnd, {"3", "a", "\n", "", "\x1b", "12", "1"}, Flow::kGoOn, 7},
           {kContinueOrEnd, {"x", "2", "1"}, Flow::kEndRun, 2},
           {kContinueOrEnd, {"x", ""}, Flow::kEndRun, 2},
           {kContinueOrEnd, {}, Flow::kEndRun, 0},
           {kEnd, {"2", "x", "", "1", "1"}, Flow::kEndRun, 4},
           {kEnd, {"2"}, Flow::kEndRun, 1},
           {kPause, {"", "1"}, Flow::kEndRun, 1},
           {kPause, {"\n"}, Flow::kEndRun, 1},
           {kPause, {}, Flow::kEndRun, 0}}) {
    const std::size_t given = c.keys.size();
    ScriptedConsole console(c.keys, {});
    Flow flow = Flow::kGoOn;
    std::string printed;
    switch (c.menu) {
      case kContinueOrEnd:
        flow = offer_continue_or_end(console, "<1> yes, continue", "<2> no, end");
        printed = "<1> yes, continue\r\n<2> no, end\r\n";
        break;
      case kEnd:
        flow = offer_end(console);
        printed = "<1> = continue and end\r\n";
        break;
      case kPause:
        flow = pause_then_end(console, "<...> any key for continue, end");
        printed = "<...> any key for continue, end\r\n";
        break;
    }
    const std::string label = std::to_string(c.menu) + " with " + std::to_string(given) + " keys";
    EXPECT_EQ(c.expected, flow) << label;
    EXPECT_EQ(c.keys_taken, given - console.keys_left()) << label;
    // The choices are printed once, however many keys were ignored.
    EXPECT_EQ(printed, console.transcript()) << label;
  }
}

}  // namespace
}  // namespace kestram

#include "text/line_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestram {
namespace {

class Lines : public WholeLineSink {
 public:
  std::vector<std::string> lines;
  int finishes = 0;
  void finish() override { ++finishes; }

 private:
  void line(std::string_view text) override { lines.emplace_back(text); }
};

// A line in one piece, in several, in none, and blanks beyond one slice
// reach both sinks of a tee whole, and so does the end.
TEST(LineSink, TeeHandsWholeLinesToBoth) {
  Lines whole;
  std::string text;
  StringSink joined(text);
  Tee tee(whole, joined);
  tee.write_line("one");
  tee.write("tw");
  tee.write("");
  tee.write("o");
  tee.end_line();
  tee.end_line();
  tee.write_blanks(5000);
  tee.write("x");
  tee.end_line();
  tee.finish();
  const std::vector<std::string> expected = {"one", "two", "", std::string(5000, ' ') + "x"};
  EXPECT_EQ(expected, whole.lines);
  EXPECT_EQ("one\r\ntwo\r\n\r\n" + std::string(5000, ' ') + "x\r\n", text);
  EXPECT_EQ(1, whole.finishes);
}

}  // namespace
}  // namespace kestram

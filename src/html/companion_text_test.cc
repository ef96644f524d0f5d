// Which lines the companion text keeps is shown by tests/examples/page.txt;
// these check the scan of lines in pieces against the verdict on whole lines.
#include "html/companion_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/lines.h"

namespace kestram {
namespace {

// Lines with the frame's texts in every place: at the start, across any
// cut, behind long runs of blanks, as bare tags among blanks.
std::vector<std::string> frame_test_lines(std::size_t filler) {
  const std::string blanks(filler, ' ');
  const std::string text(filler, 'q');
  return {
      blanks + "<pre>" + blanks,   blanks + "</TITLE>",         "<body>" + blanks,
      blanks + "<pre>x" + blanks,  blanks + "<pre> x",          blanks,
      text + "<P STYLE=x>" + text, text + "<!doctype html",     "<meta http-equiv" + text,
      text + "<meta http-equi",    text + "<b>x</b> &lt;p style", "<b>" + text + "</b>",
      blanks + "</p>" + blanks,    blanks + "<p>" + blanks,     text,
  };
}

// The filter, given lines in pieces of any size, cut anywhere, short lines
// and lines too long to be joined, keeps exactly the lines that are no frame
// lines.
TEST(CompanionText, FilterKeepsTheLinesThatAreNoFrameLines) {
  std::mt19937 random(9);
  std::string expected;
  std::string out;
  StringSink sink(out);
  CompanionFilter filter(sink);
  std::vector<std::size_t> fillers(40, 40);  // short lines, cut anew each round
  fillers.push_back(70'000);
  for (std::size_t filler : fillers) {
    for (const std::string& line : frame_test_lines(filler)) {
      for (std::size_t at = 0, size = 0; at < line.size(); at += size) {
        size = 1 + random() % (filler < 100 ? 1 + random() % 40 : 100'000);
        filter.write(std::string_view(line).substr(at, size));
      }
      filter.end_line();
      if (!is_frame_line(line)) expected += line + "\r\n";
    }
  }
  filter.finish();
  EXPECT_TRUE(expected == out);
}

}  // namespace
}  // namespace kestram

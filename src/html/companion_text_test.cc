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

// The verdict on a line in parts is the verdict on the whole line, wherever
// it is cut.
TEST(CompanionText, FrameLineScanJudgesLikeTheWholeLine) {
  std::mt19937 random(5);
  for (const std::string& line : frame_test_lines(40)) {
    for (int cuts = 0; cuts < 60; ++cuts) {
      FrameLineScan scan;
      std::size_t at = 0;
      while (at < line.size()) {
        const std::size_t size = cuts == 0 ? 1 : 1 + random() % (cuts < 30 ? 8 : 40);
        scan.add(std::string_view(line).substr(at, size));
        at += size;
      }
      if (line.empty()) scan.add("");
      ASSERT_EQ(is_frame_line(line), scan.is_frame_line()) << line << " cuts " << cuts;
    }
  }
}

// The filter, given lines in pieces of any size, short lines and lines too
// long to be joined, keeps exactly the lines that are no frame lines.
TEST(CompanionText, FilterKeepsTheLinesThatAreNoFrameLines) {
  std::mt19937 random(9);
  std::string expected;
  std::string out;
  StringSink sink(out);
  CompanionFilter filter(sink);
  for (std::size_t filler : {std::size_t{40}, std::size_t{70'000}}) {
    for (const std::string& line : frame_test_lines(filler)) {
      for (std::size_t at = 0, size = 0; at < line.size(); at += size) {
        size = 1 + random() % (random() % 2 ? 8 : 100'000);
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

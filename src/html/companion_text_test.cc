#include "html/companion_text.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "html/page_frame.h"
#include "text/lines.h"

namespace kestram {
namespace {

TEST(CompanionText, FileNames) {
  struct Case {
    const char* base;
    const char* companion;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"Report", "Report_com_ndx.txt"},
           {"notes_indent_old", "notes_com_ndx.txt"},
           {"A_INDENT_x_indent", "A_com_ndx.txt"},      // cut at the first, any case
           {"_indent", "_com_ndx.txt"},
           {"indent", "indent_com_ndx.txt"},
           {"", "_com_ndx.txt"},
       })
    EXPECT_EQ(c.companion, companion_file_name(c.base)) << c.base;
  // The page and the table file keep the whole base name.
  EXPECT_EQ("notes_indent_old_indent.htm", html_file_name("notes_indent_old"));
  EXPECT_EQ("notes_indent_old_table.txt", table_file_name("notes_indent_old"));
}

TEST(CompanionText, FrameLineFilter) {
  struct Case {
    const char* line;
    bool frame;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">", true},
           {"<!doctype html>", true},
           {"text <!DocType HTML anything", true},
           {"<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=UTF-8\">", true},
           {"<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=windows-1252\">", true},
           {"<p style=\"font-family:Arial; font-size:100%;\">", true},
           {"<td>has <P STYLE=x> inside</td>", true},  // unescaped markup is dropped whole
           {"a <b> <<META HTTP-EQUIV", true},          // after other brackets
           {"<p styl", false},
           // Past the first block of positions, across a block's end, at the very end.
           {"<b>0123456789abcdef <span></span> <meta http-equiv", true},
           {"0123456789abcd<!doctype html", true},
           {"0123456789abcde<!doctype html", true},
           {"<span><span><span><span><span><span> <p style", true},
           {"<span><span><span><span><span><span> <p styl", false},
           {"<span><span><span><span><span><span> <", false},
           {"&lt;p style=x&gt;", false},               // escaped text never matches
           {"<html>", true}, {"</HTML>", true}, {"  <head>  ", true}, {"</head>", true},
           {"<title>", true}, {"</title>", true}, {"<body>", true}, {"</body>", true},
           {"</p>", true}, {"<pre>", true}, {"</pre>", true},
           {"<pre> text", false},                      // only a bare tag is a frame line
           {"<p>", false},
           {"\t<pre>", false},                         // a tab is not stripped
           {"<br>", false},
           {"<b>TABLE OF CONTENTS</b>", false},
           {"", false},
           {" </table>", false},
       })
    EXPECT_EQ(c.frame, is_frame_line(c.line)) << c.line;
}

TEST(CompanionText, KeepsContentLinesExactly) {
  using namespace std::string_literals;
  const std::string page_text = "<html>\r\n<PRE>\n  <span>x</span>  \rkeep <pre>\r\n\r\n</pre>\n  body \x01\xff\0z"s;
  std::string out;
  StringSink sink(out);
  CompanionFilter filter(sink);
  LineReader page = LineReader::from_memory(page_text);
  std::string_view line;
  while (page.next(line)) filter.write_line(line);
  filter.finish();
  EXPECT_EQ("  <span>x</span>  \r\nkeep <pre>\r\n\r\n  body \x01\xff\0z\r\n"s, out);
}

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

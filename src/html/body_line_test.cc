#include "html/body_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "html/html_escape.h"
#include "html/table_block.h"
#include "support/chapter_rows.h"
#include "support/page_lines.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace kestram {
namespace {

using namespace std::string_literals;
using testing::chapter_table_of;
using testing::kTableTag;
using testing::lines;

TEST(BodyLine, LinkRule) {
  struct Case {
    const char* line;  // already escaped
    const char* marker;
    const char* expected;  // nullptr: the rule does not apply
  };
  for (const Case& c : std::initializer_list<Case>{
           {"see http://x.org/a now", "http", "see <a href=\"http://x.org/a\">http://x.org/a</a> now"},
           {"http://x.org", "http", "<a href=\"http://x.org\">http://x.org</a> "},  // ends the line
           {"HTTPS://X.ORG/P", "http", "<a href=\"HTTPS://X.ORG/P\">HTTPS://X.ORG/P</a> "},
           {"a http://1 http://2", "http", "a <a href=\"http://1\">http://1</a> http://2"},
           {"xhttpy z", "http", "x<a href=\"httpy\">httpy</a> z"},  // also inside a word
           {"at http://a,  twice", "http", "at <a href=\"http://a,\">http://a,</a>  twice"},
           {"&lt;http://a&gt;", "http", "&lt;<a href=\"http://a&gt;\">http://a&gt;</a> "},
           {"http", "http", "<a href=\"http\">http</a> "},
           {"no address here", "http", nullptr},
           {"open FILE:///C:/a.txt", "file:///", "open <a href=\"FILE:///C:/a.txt\">FILE:///C:/a.txt</a> "},
           {"file://c/a", "file:///", nullptr},
       }) {
    std::string out = "untouched";
    const bool applied = render_link(c.line, c.marker, out);
    EXPECT_EQ(c.expected != nullptr, applied) << c.line;
    EXPECT_EQ(c.expected ? "untouched"s + c.expected : "untouched"s, out) << c.line;
  }
}

// Chapters 1. (line 4), 2.1 (line 10) and 3. (line 20).
const ChapterTable& sample_table() {
  static const ChapterTable table = chapter_table_of({{4, "1."}, {10, "2.1"}, {20, "3."}});
  return table;
}

TEST(BodyLine, RulesInOrder) {
  struct Case {
    std::string line;
    std::size_t heading_row;
    BodyRule rule;
    std::string expected;
  };
  const std::string anchor_21 = "<span style=\"color:blue\"; ID=\"2.1\">";
  for (const Case& c : std::initializer_list<Case>{
           // bold lines come first and are written exactly as read; blanks
           // (not tabs) around them are stripped for the test
           {"  <B>Notes</B>", 0, BodyRule::kBold, "  <B>Notes</B>"},
           {"<b>2.1 Sub</b>   ", 2, BodyRule::kBold, "<b>2.1 Sub</b>   "},
           {"<b>http://a</b>", 0, BodyRule::kBold, "<b>http://a</b>"},
           {"<b></b>", 0, BodyRule::kBold, "<b></b>"},
           // everything else is escaped, "&" and quotes kept
           {"<b>one</b> and <b>two</b>", 0, BodyRule::kPlain,  // the first "</b>" does not end it
            "&lt;b&gt;one&lt;/b&gt; and &lt;b&gt;two&lt;/b&gt;"},
           {"<b>", 0, BodyRule::kPlain, "&lt;b&gt;"},
           {"<b>x</b>.", 0, BodyRule::kPlain, "&lt;b&gt;x&lt;/b&gt;."},
           {"\t<b>x</b>", 0, BodyRule::kPlain, "\t&lt;b&gt;x&lt;/b&gt;"},
           {"<bx</b>", 0, BodyRule::kPlain, "&lt;bx&lt;/b&gt;"},
           {"a < b & \"c\"", 0, BodyRule::kPlain, "a &lt; b & \"c\""},
           {"", 0, BodyRule::kPlain, ""},
           {"    ", 0, BodyRule::kPlain, "    "},
           {"x\0<y"s, 0, BodyRule::kPlain, "x\0&lt;y"s},
           // links: "http" before "file:///", first occurrence only
           {"  get http://a.b/c?d=1&e=<2> now", 0, BodyRule::kLink,
            "  get <a href=\"http://a.b/c?d=1&e=&lt;2&gt;\">http://a.b/c?d=1&e=&lt;2&gt;</a> now"},
           {"file:///srv/http/x y", 0, BodyRule::kLink, "file:///srv/<a href=\"http/x\">http/x</a> y"},
           {"file:///a file:///b", 0, BodyRule::kLink,
            "<a href=\"file:///a\">file:///a</a> file:///b"},
           {"  2.1 See http://h", 2, BodyRule::kLink, "  2.1 See <a href=\"http://h\">http://h</a> "},
           {"table_start: http://t", 0, BodyRule::kLink, "table_start: <a href=\"http://t\">http://t</a> "},
           {"look_at: 2.1 http://x", 0, BodyRule::kLink, "look_at: 2.1 <a href=\"http://x\">http://x</a> "},
           // cross-references to existing chapter numbers
           {"    look_at: 2.1", 0, BodyRule::kCrossReference,
            "    look_at: <span><a href=\"#2.1\"> 2.1</a></span>"},
           {"  LOOK_AT: 3.  ", 0, BodyRule::kCrossReference,
            "  look_at: <span><a href=\"#3.\"> 3.</a></span>"},
           {"look_at: 2.1", 2, BodyRule::kCrossReference, "look_at: <span><a href=\"#2.1\"> 2.1</a></span>"},
           {"  look_at: 9.9", 0, BodyRule::kPlain, "  look_at: 9.9"},     // no such chapter
           {"look_at:2.1", 0, BodyRule::kPlain, "look_at:2.1"},           // separator missing
           {"look_at: 2.1 more", 0, BodyRule::kPlain, "look_at: 2.1 more"},
           {"look_at: 3", 0, BodyRule::kPlain, "look_at: 3"},             // level 1 needs its point
           {"\tlook_at: 2.1", 0, BodyRule::kPlain, "\tlook_at: 2.1"},
           // the separator is skipped in the escaped line: "&gt;2.1" leaves "gt;2.1"
           {"look_at:>2.1", 0, BodyRule::kPlain, "look_at:&gt;2.1"},
           {"  look_at: <2.1>", 2, BodyRule::kHeading, "  " + anchor_21 + "<b>look_at: &lt;2.1&gt;</b></span>"},
           // table blocks are handed over with the escaped opening line
           {"  Table_Start: <Prices>", 0, BodyRule::kTableStart, "  Table_Start: &lt;Prices&gt;"},
           {"table_start:", 1, BodyRule::kTableStart, "table_start:"},
           // headings: leading blanks kept, trailing ones dropped
           {"  3.1 Scope ", 2, BodyRule::kHeading, "  " + anchor_21 + "<b>3.1 Scope</b></span>"},
           {"1. A <b> tag", 1, BodyRule::kHeading,
            "<span style=\"color:blue\"; ID=\"1.\"><b>1. A &lt;b&gt; tag</b></span>"},
           {"   ", 3, BodyRule::kHeading, "   <span style=\"color:blue\"; ID=\"3.\"><b></b></span>"},
       }) {
    std::string out = "left over";
    EXPECT_EQ(c.rule, render_body_line(c.line, c.heading_row, sample_table(), out)) << c.line;
    EXPECT_EQ(c.expected, out) << c.line;
  }
}

// The rules as stated: the bold rule on the line as read, every other rule
// on the line escaped as a whole.
std::pair<BodyRule, std::string> render_by_definition(std::string_view line, std::size_t heading_row,
                                                      const ChapterTable& table) {
  if (is_bold_line(line)) return {BodyRule::kBold, std::string(line)};
  const std::string escaped = html_escape(line);
  std::string out;
  if (render_link(escaped, "http", out) || render_link(escaped, "file:///", out))
    return {BodyRule::kLink, out};
  const std::string blanks(leading_blanks(escaped), ' ');
  const std::string_view stripped = trim_blanks(escaped);
  if (starts_with_lower(stripped, "look_at:")) {
    if (std::size_t row = table.first_row_with_chapter_number(keyword_value(stripped, 8))) {
      const std::string number(table.chapter_number(row));
      return {BodyRule::kCrossReference,
              blanks + "look_at: <span><a href=\"#" + number + "\"> " + number + "</a></span>"};
    }
  }
  if (is_table_start(escaped)) return {BodyRule::kTableStart, escaped};
  if (heading_row != 0) {
    const std::string number(table.chapter_number(heading_row));
    return {BodyRule::kHeading, blanks + "<span style=\"color:blue\"; ID=\"" + number + "\"><b>" +
                                    std::string(stripped) + "</b></span>"};
  }
  return {BodyRule::kPlain, escaped};
}

TEST(BodyLine, RulesOnTheLineAsReadDecideAsOnTheEscapedLine) {
  // Lines pieced together from markers, keywords, brackets and entities in
  // every order, so that markers meet brackets and separators.
  const std::string pieces[] = {"http", "HTtp", "file:///", "FILE:/", "look_at:", "LOOK_AT: ", "table_start:",
                                "<", ">", "<b>", "</b>", "&lt;", " ", "  ", "2.1", "3.", "x", "ht", "tp"};
  std::mt19937 random(3);
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    for (int n = random() % 7; n > 0; --n) line += pieces[random() % std::size(pieces)];
    const std::size_t row = random() % 4;
    const auto expected = render_by_definition(line, row, sample_table());
    std::string out;
    const BodyRule rule = render_body_line(line, row, sample_table(), out);
    ASSERT_EQ(expected.first, rule) << line;
    ASSERT_EQ(expected.second, out) << line;
  }
}

struct BodyRun {
  std::string page;
  std::vector<std::string> table_files;
};

BodyRun run_body(const std::string& text, const ChapterTable& table) {
  BodyRun run;
  LineReader reader = LineReader::from_memory(text);
  LineWriter page = LineWriter::to_memory(run.page);
  run.table_files.reserve(16);  // the writers point into this vector
  write_body(reader, table, [&run] {
    run.table_files.emplace_back();
    return LineWriter::to_memory(run.table_files.back());
  }, page);
  return run;
}

std::string anchor(const std::string& number, const std::string& text) {
  return "<span style=\"color:blue\"; ID=\"" + number + "\"><b>" + text + "</b></span>";
}

TEST(BodyPass, LineNumbersCountBoldLinesAndTableBlocks) {
  // Lines 1-3 plain and bold, a block on lines 4-8 with a heading row inside
  // it (line 6), headings on lines 3 and 9.
  const ChapterTable table = chapter_table_of({{3, "1."}, {6, "1.1"}, {9, "1.2"}});
  const BodyRun run = run_body(
      "<b>Title</b>\nplain\n1. One\ntable_start:\ncolumn: A\n1.1 Cell\nmore\ntable_end:\n1.2 Two", table);
  EXPECT_EQ(lines({"<b>Title</b>", "plain", anchor("1.", "1. One"), kTableTag,
                   "<tr>", "<th>A</th>", "</tr>",
                   "<tr>", "<td>1.1 Cell</td>", "</tr>",
                   "<tr>", "<td>more</td>", "</tr>",
                   " </table>",
                   anchor("1.2", "1.2 Two")}),
            run.page);
  ASSERT_EQ(1u, run.table_files.size());
  EXPECT_EQ(lines({"table_start:", "column: A", "1.1 Cell", "more", "table_end:"}), run.table_files[0]);
}

TEST(BodyPass, OpeningLineWithLinkMakesNoTable) {
  const ChapterTable table = chapter_table_of({{3, "1."}});
  const BodyRun run = run_body("table_start: see http://t\ncolumn: A\n1. Head\ntable_end:", table);
  EXPECT_EQ(lines({"table_start: see <a href=\"http://t\">http://t</a> ", "column: A",
                   anchor("1.", "1. Head"), "table_end:"}),
            run.page);
  EXPECT_TRUE(run.table_files.empty());
}

TEST(BodyPass, OnlyTheLastBlockReachesTheTableFile) {
  const BodyRun run = run_body("table_start: one\ntable_end:\nx\ntable_start: two\nTABLE_END:\n",
                               chapter_table_of({}));
  ASSERT_EQ(1u, run.table_files.size());
  EXPECT_EQ(lines({"table_start: two", "TABLE_END:"}), run.table_files[0]);
  EXPECT_EQ(lines({kTableTag, "<caption><b>one</b></caption>", " </table>", "x",
                   kTableTag, "<caption><b>two</b></caption>", " </table>"}),
            run.page);
}

TEST(BodyPass, LineEndsOfAnyKindAndNoFinalLineEnd) {
  const BodyRun run = run_body("a\r\nb\rc\n\r\nd", chapter_table_of({{4, "1."}}));
  EXPECT_EQ(lines({"a", "b", "c", anchor("1.", ""), "d"}), run.page);
}

// Headings and plain lines from short to longer than the page's buffer, one
// after another into a file, so that a line finds the buffer part full or
// needs more room than it has: the file holds the lines as defined.
TEST(BodyLine, LongLinesReachTheFileAsDefined) {
  testing::TempDir dir;
  std::mt19937 random(17);
  std::vector<std::string> expected;
  LineWriter page(dir.file("page"));
  for (std::size_t size : {10, 70'000, 262'000, 300'000, 1'100'000, 40, 2'500'000}) {
    for (int kind = 0; kind < 4; ++kind) {
      std::string line(size, 'x');
      for (char& c : line) c = "ab c<"[random() % (kind % 2 == 0 ? 4 : 5)];  // quiet or not
      line.insert(0, "  2.1 ");
      const std::size_t row = kind < 2 ? 2 : 0;
      expected.push_back(render_by_definition(line, row, sample_table()).second);
      write_body_line(line, row, sample_table(), page);
      page.end_line();
    }
  }
  ASSERT_TRUE(page.close());
  LineReader written(dir.file("page"));
  std::string_view line;
  for (const std::string& want : expected) {
    ASSERT_TRUE(written.next(line));
    ASSERT_EQ(want.size(), line.size());
    ASSERT_TRUE(want == line);
  }
  EXPECT_FALSE(written.next(line));
}

// The quiet-line test looks at many positions at once; at every length and
// position it must agree with its definition.
TEST(BodyLine, QuietLinesAreThoseWithoutBracketColonOrHttpStart) {
  auto reference = [](const std::string& line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '<' || c == '>' || c == ':') return false;
      if (i + 3 < line.size() && (c == 'h' || c == 'H') && (line[i + 3] == 'p' || line[i + 3] == 'P')) return false;
    }
    return true;
  };
  std::mt19937 random(11);
  const char kBytes[] = {'h', 'H', 'p', 'P', 't', '<', '>', ':', '=', '|', 'a', ' ', '\0', '\x88', '\xbc'};
  int quiet = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string line(random() % 70, 'a');
    // Mostly quiet lines with one or two loud bytes at any position.
    for (int k = static_cast<int>(random() % 3); k > 0 && !line.empty(); --k)
      line[random() % line.size()] = kBytes[random() % sizeof kBytes];
    ASSERT_EQ(reference(line), is_quiet_line(line)) << line;
    quiet += reference(line);
  }
  EXPECT_GT(quiet, 2000);
  EXPECT_LT(quiet, 18000);
}

}  // namespace
}  // namespace kestram

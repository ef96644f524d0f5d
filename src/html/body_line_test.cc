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
#include "text/text.h"

namespace kestram {
namespace {

using namespace std::string_literals;
using testing::chapter_table_of;
using testing::ChapterRow;
using testing::kTableTag;
using testing::lines;

// One body line written to a string: the rule and the text.
std::pair<BodyRule, std::string> body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table) {
  std::string text;
  StringSink sink(text);
  LineParts parts(sink);
  BodyScratch scratch{"left over", "left over"};
  const BodyRule rule = write_body_line(line, heading_row, table, scratch, parts);
  parts.end_line();
  text.resize(text.size() - 2);  // the line end
  return {rule, text};
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
           // links: "http" before "file:///", first occurrence only; the
           // address in the attribute has its quotes and "&" escaped too
           {"  get http://a.b/c?d=1&e=<2> now", 0, BodyRule::kLink,
            "  get <a href=\"http://a.b/c?d=1&amp;e=&lt;2&gt;\">http://a.b/c?d=1&e=&lt;2&gt;</a> now"},
           {"see http://x/\"onclick=\"y\" z", 0, BodyRule::kLink,
            "see <a href=\"http://x/&quot;onclick=&quot;y&quot;\">http://x/\"onclick=\"y\"</a> z"},
           {"http://a?b=&lt;", 0, BodyRule::kLink, "<a href=\"http://a?b=&amp;lt;\">http://a?b=&lt;</a> "},
           {"file:///srv/http/x y", 0, BodyRule::kLink, "file:///srv/<a href=\"http/x\">http/x</a> y"},
           {"file:///a file:///b", 0, BodyRule::kLink,
            "<a href=\"file:///a\">file:///a</a> file:///b"},
           // a heading keeps its anchor, with the link inside
           {"  2.1 See http://h", 2, BodyRule::kHeading,
            "  " + anchor_21 + "<b>2.1 See <a href=\"http://h\">http://h</a> </b></span>"},
           {"2.1 <x> file:///a\"b  ", 2, BodyRule::kHeading,
            anchor_21 + "<b>2.1 &lt;x&gt; <a href=\"file:///a&quot;b\">file:///a\"b</a> </b></span>"},
           {"table_start: http://t", 0, BodyRule::kLink, "table_start: <a href=\"http://t\">http://t</a> "},
           {"look_at: 2.1 http://x", 0, BodyRule::kLink, "look_at: 2.1 <a href=\"http://x\">http://x</a> "},
           {"HTTPS://X.ORG/P", 0, BodyRule::kLink, "<a href=\"HTTPS://X.ORG/P\">HTTPS://X.ORG/P</a> "},
           {"xhttpy z", 0, BodyRule::kLink, "x<a href=\"httpy\">httpy</a> z"},  // also inside a word
           {"at http://a,  twice", 0, BodyRule::kLink, "at <a href=\"http://a,\">http://a,</a>  twice"},
           {"http", 0, BodyRule::kLink, "<a href=\"http\">http</a> "},
           {"open FILE:///C:/a.txt", 0, BodyRule::kLink, "open <a href=\"FILE:///C:/a.txt\">FILE:///C:/a.txt</a> "},
           {"file://c/a", 0, BodyRule::kPlain, "file://c/a"},
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
           // a table block's opening line is left to the caller
           {"  Table_Start: <Prices>", 0, BodyRule::kTableStart, ""},
           {"table_start:", 1, BodyRule::kTableStart, ""},
           // headings: leading blanks kept, trailing ones dropped
           {"  3.1 Scope ", 2, BodyRule::kHeading, "  " + anchor_21 + "<b>3.1 Scope</b></span>"},
           {"1. A <b> tag", 1, BodyRule::kHeading,
            "<span style=\"color:blue\"; ID=\"1.\"><b>1. A &lt;b&gt; tag</b></span>"},
           {"   ", 3, BodyRule::kHeading, "   <span style=\"color:blue\"; ID=\"3.\"><b></b></span>"},
       }) {
    const auto [rule, text] = body_line(c.line, c.heading_row, sample_table());
    EXPECT_EQ(c.rule, rule) << c.line;
    EXPECT_EQ(c.expected, text) << c.line;
  }
}

// The link rule as stated, on a line: the first occurrence of the marker
// (any case) and everything up to the next blank become a link, with a blank
// behind when the address ends the line. The text is escaped; the address in
// the attribute is escaped for an attribute.
bool link_by_definition(const std::string& line, const std::string& marker, std::string& out) {
  const std::size_t at = ascii_lower(line).find(marker);
  if (at == std::string::npos) return false;
  const std::size_t blank = line.find(' ', at);
  const std::string address = line.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
  std::string attribute;
  for (char c : address)
    attribute += c == '&' ? "&amp;" : c == '"' ? "&quot;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  out = html_escape(line.substr(0, at)) + "<a href=\"" + attribute + "\">" + html_escape(address) + "</a>" +
        (blank == std::string::npos ? " " : html_escape(line.substr(blank)));
  return true;
}

bool any_link_by_definition(const std::string& line, std::string& out) {
  return link_by_definition(line, "http", out) || link_by_definition(line, "file:///", out);
}

// The rules as stated: the bold rule on the line as read, every other rule
// on the line escaped as a whole.
std::pair<BodyRule, std::string> render_by_definition(std::string_view line, std::size_t heading_row,
                                                      const ChapterTable& table) {
  if (is_bold_line(line)) return {BodyRule::kBold, std::string(line)};
  const std::string escaped = html_escape(line);
  const std::string blanks(leading_blanks(escaped), ' ');
  const std::string_view stripped = trim_blanks(escaped);
  std::string out;
  if (any_link_by_definition(std::string(line), out)) {
    if (heading_row == 0) return {BodyRule::kLink, out};
    any_link_by_definition(std::string(trim_blanks(line)), out);
    const std::string number(table.chapter_number(heading_row));
    return {BodyRule::kHeading, blanks + "<span style=\"color:blue\"; ID=\"" + number + "\"><b>" + out + "</b></span>"};
  }
  if (starts_with_lower(stripped, "look_at:")) {
    if (std::size_t row = table.first_row_with_chapter_number(keyword_value(stripped, 8))) {
      const std::string number(table.chapter_number(row));
      return {BodyRule::kCrossReference,
              blanks + "look_at: <span><a href=\"#" + number + "\"> " + number + "</a></span>"};
    }
  }
  if (is_table_start(escaped)) return {BodyRule::kTableStart, ""};
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
                                "<", ">", "<b>", "</b>", "&lt;", " ", "  ", "2.1", "3.", "x", "ht", "tp", "\"", "&"};
  std::mt19937 random(3);
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    for (int n = random() % 7; n > 0; --n) line += pieces[random() % std::size(pieces)];
    const std::size_t row = random() % 4;
    ASSERT_EQ(render_by_definition(line, row, sample_table()), body_line(line, row, sample_table())) << line;
  }
}

std::string anchor(const std::string& number, const std::string& text) {
  return "<span style=\"color:blue\"; ID=\"" + number + "\"><b>" + text + "</b></span>";
}

// Whole documents through the renderer: the page, and the lines of the last
// table block (for the table work file).
TEST(BodyRenderer, LinesTableBlocksAndTheLastBlock) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<ChapterRow> rows;
    std::string page;
    std::string last_block;  // each line ended with CR LF; "none" when there was no block
  };
  for (const Case& c : std::initializer_list<Case>{
           // line numbers count bold lines and block lines: headings on lines
           // 3 and 9, and a heading inside the block (line 6) is a cell that
           // carries its id
           {{"<b>Title</b>", "plain", "1. One", "table_start:", "column: A", "1.1 Cell", "more", "table_end:",
             "1.2 Two"},
            {{3, "1."}, {6, "1.1"}, {9, "1.2"}},
            lines({"<b>Title</b>", "plain", anchor("1.", "1. One"), kTableTag, "<tr>", "<th>A</th>", "</tr>",
                   "<tr>", "<td ID=\"1.1\">1.1 Cell</td>", "</tr>", "<tr>", "<td>more</td>", "</tr>", " </table>",
                   anchor("1.2", "1.2 Two")}),
            lines({"table_start:", "column: A", "1.1 Cell", "more", "table_end:"})},
           // headings that no cell holds get anchors in front of the table
           {{"table_start: T", "1. Lost", "column: A", "x", "table_end:"},
            {{2, "1."}},
            lines({std::string("<a ID=\"1.\"></a>") + kTableTag, "<caption><b>T</b></caption>", "<tr>",
                   "<th>A</th>", "</tr>", "<tr>", "<td>x</td>", "</tr>", " </table>"}),
            lines({"table_start: T", "1. Lost", "column: A", "x", "table_end:"})},
           // an opening line with a link opens no block
           {{"table_start: see http://t", "column: A", "1. Head", "table_end:"},
            {{3, "1."}},
            lines({"table_start: see <a href=\"http://t\">http://t</a> ", "column: A", anchor("1.", "1. Head"),
                   "table_end:"}),
            "none"},
           // only the last block is kept
           {{"table_start: one", "table_end:", "x", "table_start: two", "TABLE_END:"},
            {},
            lines({kTableTag, "<caption><b>one</b></caption>", " </table>", "x", kTableTag,
                   "<caption><b>two</b></caption>", " </table>"}),
            lines({"table_start: two", "TABLE_END:"})},
           // a block without an end line runs to the end and is written at the
           // finish; its opening line is kept escaped, the others as read
           {{"  table_start: <T>", "  column: A", "\tx <b>"},
            {},
            lines({kTableTag, "<caption><b>&lt;T&gt;</b></caption>", "<tr>", "<th>A</th>", "</tr>", "<tr>",
                   "<td>\tx <b></td>", "</tr>", " </table>"}),
            lines({"  table_start: &lt;T&gt;", "  column: A", "\tx <b>"})},
       }) {
    const ChapterTable table = chapter_table_of(c.rows);
    std::string page;
    StringSink sink(page);
    BodyRenderer renderer(table, sink);
    for (const std::string& line : c.lines) renderer.write_line(line);
    renderer.finish();
    EXPECT_EQ(c.page, page) << c.lines[0];
    std::string last_block = "none";
    if (const TableBlockLines* block = renderer.last_table_block()) {
      last_block.clear();
      for (std::size_t i = 0; i < block->size(); ++i) last_block += std::string((*block)[i]) + "\r\n";
    }
    EXPECT_EQ(c.last_block, last_block) << c.lines[0];
  }
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

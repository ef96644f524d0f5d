// The rules on real lines are shown by tests/examples/page.txt; these check
// the renderer against the rules as stated, on every mix of their pieces.
#include "html/body_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "html/html_escape.h"
#include "text/text.h"

namespace kestram {
namespace {


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
  static const ChapterTable table = [] {
    ChapterTable chapters;
    chapters.add_row("1.", 4);
    chapters.set_chapter(1, "1.", 1);
    chapters.add_row("2.1.", 10);
    chapters.set_chapter(2, "2.1", 2);
    chapters.add_row("3.", 20);
    chapters.set_chapter(3, "3.", 1);
    chapters.finish();
    return chapters;
  }();
  return table;
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

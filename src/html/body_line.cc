#include "html/body_line.h"

#include "html/html_escape.h"
#include "html/table_block.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kBoldOpen = "<b>";
constexpr std::string_view kBoldClose = "</b>";
constexpr std::string_view kLookAt = "look_at:";

// A cross-reference line naming an existing chapter becomes a link to that
// chapter's heading; otherwise it is left for the later rules.
bool render_cross_reference(std::string_view escaped, const ChapterTable& table, std::string& out) {
  const std::string_view stripped = trim_blanks(escaped);
  if (!starts_with_lower(stripped, kLookAt)) return false;
  const std::string_view target = keyword_value(stripped, kLookAt.size());
  const std::size_t row = table.first_row_with_chapter_number(target);
  if (row == 0) return false;
  const std::string_view number = table.chapter_number(row);
  out.append(escaped.substr(0, leading_blanks(escaped)));
  out.append("look_at: <span><a href=\"#");
  out.append(number);
  out.append("\"> ");
  out.append(number);
  out.append("</a></span>");
  return true;
}

void render_heading(std::string_view escaped, std::string_view chapter_number, std::string& out) {
  out.append(escaped.substr(0, leading_blanks(escaped)));
  out.append("<span style=\"color:blue\"; ID=\"");
  out.append(chapter_number);
  out.append("\"><b>");
  out.append(trim_blanks(escaped));
  out.append("</b></span>");
}

}  // namespace

bool is_bold_line(std::string_view line) {
  const std::string_view stripped = trim_blanks(line);
  if (!starts_with_lower(stripped, kBoldOpen)) return false;
  const std::size_t close = find_lower(stripped, kBoldClose);
  return close != std::string_view::npos && close + kBoldClose.size() == stripped.size();
}

bool render_link(std::string_view escaped_line, std::string_view lower_marker, std::string& out) {
  const std::size_t at = find_lower(escaped_line, lower_marker);
  if (at == std::string_view::npos) return false;
  const std::string_view tail = escaped_line.substr(at);
  const std::size_t blank = tail.find(' ');
  const std::string_view address = tail.substr(0, blank);
  // Without a blank behind the address one is added, so the line never ends
  // right at the closing tag.
  const std::string_view rest = blank == std::string_view::npos ? " " : tail.substr(blank);
  out.append(escaped_line.substr(0, at));
  out.append("<a href=\"");
  out.append(address);
  out.append("\">");
  out.append(address);
  out.append("</a>");
  out.append(rest);
  return true;
}

BodyRule render_body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table,
                          std::string& out) {
  out.clear();
  if (is_bold_line(line)) {
    out.append(line);
    return BodyRule::kBold;
  }
  const std::string escaped = html_escape(line);
  if (render_link(escaped, "http", out) || render_link(escaped, "file:///", out)) return BodyRule::kLink;
  if (render_cross_reference(escaped, table, out)) return BodyRule::kCrossReference;
  if (is_table_start(escaped)) {
    out = escaped;
    return BodyRule::kTableStart;
  }
  if (heading_row != 0) {
    render_heading(escaped, table.chapter_number(heading_row), out);
    return BodyRule::kHeading;
  }
  out = escaped;
  return BodyRule::kPlain;
}

void write_body(LineReader& indented, const ChapterTable& table,
                const std::function<LineWriter()>& open_table_file, LineWriter& page) {
  HeadingCursor headings(table);
  std::uint64_t line_count = 0;
  std::string out;
  // Every block would overwrite the work file of the one before it, so only
  // the last block met is kept and written, once, after the pass. Creating
  // the file anew per block costs a file system round trip per block.
  TableBlockLines block;
  bool any_block = false;
  std::string_view line;
  while (indented.next(line)) {
    ++line_count;
    const std::size_t heading_row = headings.row_for_line(line_count);
    if (render_body_line(line, heading_row, table, out) != BodyRule::kTableStart) {
      page.write_line(out);
      continue;
    }
    // The block's lines never reach the rules above, not even heading lines.
    const std::uint64_t block_lines = render_table_block(out, indented, block, page);
    line_count += block_lines - 1;
    any_block = true;
  }
  if (any_block) write_table_file(block, open_table_file);
}

}  // namespace kestram

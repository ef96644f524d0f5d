#include "html/page_frame.h"

#include "html/body_line.h"
#include "html/html_escape.h"
#include "text/text.h"

namespace kestram {
namespace {

// The page opens in quirks mode on purpose: it lets tables sit inside the
// paragraph that spans the whole body.
constexpr std::string_view kOpeningLines[] = {
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
    "<html>",
    "<head>",
    "<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=UTF-8\">",
    "</head>",
    "<body>",
    "<pre>",
    "<p style=\"font-family:Arial; font-size:100%;\">",
};
constexpr std::string_view kContentsHead = "<b>TABLE OF CONTENTS</b>";
constexpr std::string_view kContentsTail[] = {"<br>", "<b>END TABLE OF CONTENTS</b>", "<br>"};
constexpr std::string_view kClosingLines[] = {"</p>", "</pre>", "</body>", "</html>"};

}  // namespace

std::string html_file_name(std::string_view base_name) {
  return std::string(base_name) + "_indent.htm";
}

std::string table_file_name(std::string_view base_name) {
  return std::string(base_name) + "_table.txt";
}

std::string contents_entry(std::string_view heading_line, std::string_view chapter_number) {
  const std::string escaped = html_escape(heading_line);
  std::string entry(leading_blanks(escaped), ' ');
  entry.append("<b>");
  entry.append(trim_blanks(escaped));
  entry.append(" <a href=\"#");
  entry.append(chapter_number);
  entry.append("\">");
  entry.append(chapter_number);
  entry.append("</a> </b>");
  return entry;
}

void write_contents(LineReader& indented, const ChapterTable& table, LineWriter& page) {
  // Every line counts, table blocks and bold lines included: a heading inside
  // a table block still gets an entry (its target then does not exist).
  HeadingCursor headings(table);
  std::uint64_t line_count = 0;
  std::string_view line;
  while (indented.next(line)) {
    ++line_count;
    const std::size_t row = headings.row_for_line(line_count);
    if (row != 0) page.write_line(contents_entry(line, table.chapter_number(row)));
  }
}

void write_page(LineReader& indented, const ChapterTable& table, bool with_contents,
                const std::function<LineWriter()>& open_table_file, LineWriter& page,
                const TableFileClosed& table_file_closed) {
  for (std::string_view line : kOpeningLines) page.write_line(line);
  if (with_contents) {
    page.write_line(kContentsHead);
    write_contents(indented, table, page);
    for (std::string_view line : kContentsTail) page.write_line(line);
  }
  indented.rewind();
  write_body(indented, table, open_table_file, page, table_file_closed);
  for (std::string_view line : kClosingLines) page.write_line(line);
}

}  // namespace kestram

#include "html/page_frame.h"

#include "html/body_line.h"
#include "html/html_escape.h"
#include "restructure/indent_pass.h"
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

void write_contents_entry(std::string_view heading_line, std::string_view chapter_number, LineWriter& page) {
  // Escaping neither adds nor removes blanks, so the line as read has the
  // escaped line's leading blanks, and its stripped part escaped is the
  // escaped line stripped.
  page.write_blanks(leading_blanks(heading_line));
  page.write("<b>");
  write_html_escaped(page, trim_blanks(heading_line));
  page.write(" <a href=\"#");
  page.write(chapter_number);
  page.write("\">");
  page.write(chapter_number);
  page.write("</a> </b>");
}

std::string contents_entry(std::string_view heading_line, std::string_view chapter_number) {
  std::string entry;
  LineWriter writer = LineWriter::to_memory(entry);
  write_contents_entry(heading_line, chapter_number, writer);
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
    if (row == 0) continue;
    write_contents_entry(line, table.chapter_number(row), page);
    page.end_line();
  }
}

void write_contents_from_table(const ChapterTable& table, std::string_view org_unit_code, LineWriter& page) {
  std::string heading_line;
  LineWriter heading = LineWriter::to_memory(heading_line);
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::string_view number = table.chapter_number(row);
    if (number.empty()) {
      // No number to put in: the heading line is made as the pass makes it.
      heading_line.clear();
      write_heading_line(table, row, org_unit_code, heading);
      write_contents_entry(heading_line, number, page);
      page.end_line();
      continue;
    }
    // The heading line is the indentation, the chapter number, the mark
    // line from its first blank on and the unit code in brackets. A number
    // (digits and points) starts the stripped line and needs no escaping,
    // and the stripped mark line and the closing bracket end it: the entry
    // is written from these parts without making the line first.
    page.write_blanks(table.indent_blanks(row));
    page.write("<b>");
    page.write(number);
    const std::string_view text = table.mark_line_text(row);
    const std::size_t blank = text.find(' ');
    if (blank != std::string_view::npos) write_html_escaped(page, text.substr(blank));
    if (!org_unit_code.empty()) {
      page.write(" (");
      write_html_escaped(page, org_unit_code);
      page.write(")");
    }
    page.write(" <a href=\"#");
    page.write(number);
    page.write("\">");
    page.write(number);
    page.write("</a> </b>");
    page.end_line();
  }
}

void write_page_opening(LineWriter& page) {
  for (std::string_view line : kOpeningLines) page.write_line(line);
}

void write_contents_section(const std::function<void(LineWriter&)>& write_entries, LineWriter& page) {
  page.write_line(kContentsHead);
  write_entries(page);
  for (std::string_view line : kContentsTail) page.write_line(line);
}

void write_page_closing(LineWriter& page) {
  for (std::string_view line : kClosingLines) page.write_line(line);
}

void write_page(LineReader& indented, const ChapterTable& table, bool with_contents,
                const std::function<LineWriter()>& open_table_file, LineWriter& page,
                const TableFileClosed& table_file_closed) {
  write_page_opening(page);
  if (with_contents)
    write_contents_section([&](LineWriter& out) { write_contents(indented, table, out); }, page);
  indented.rewind();
  write_body(indented, table, open_table_file, page, table_file_closed);
  write_page_closing(page);
}

}  // namespace kestram

#include "html/page_frame.h"

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
    kUtf8ContentTypeLine,
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

Page::Page(const ChapterTable& table, LineSink& out) : out_(out), parts_(out), body_(table, out) {
  // The bytes pass unchanged, so a document that is no UTF-8 is declared in
  // the single-byte code page that such documents mostly come from.
  for (std::string_view line : kOpeningLines)
    out_.write_line(line == kUtf8ContentTypeLine && !table.totals().utf8 ? kWindows1252ContentTypeLine : line);
}

void Page::begin_contents() { out_.write_line(kContentsHead); }

void Page::add_contents_entry(std::string_view heading_line, std::string_view chapter_number) {
  // Escaping neither adds nor removes blanks, so the line as read has the
  // escaped line's leading blanks, and its stripped part escaped is the
  // escaped line stripped.
  std::string_view stripped = trim_blanks(heading_line);
  if (needs_html_escape(stripped)) {
    escaped_ = html_escape(stripped);
    stripped = escaped_;
  }
  parts_.add(heading_line.substr(0, leading_blanks(heading_line)));
  parts_.add("<b>");
  parts_.add(stripped);
  parts_.add(" <a href=\"#");
  parts_.add(chapter_number);
  parts_.add("\">");
  parts_.add(chapter_number);
  parts_.add("</a> </b>");
  parts_.end_line();
}

void Page::end_contents() {
  for (std::string_view line : kContentsTail) out_.write_line(line);
}

void Page::finish() {
  body_.end_body();
  for (std::string_view line : kClosingLines) out_.write_line(line);
  out_.finish();
}

void add_contents_from_table(const ChapterTable& table, std::string_view org_unit_code, Page& page) {
  std::string line;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    heading_line(table, row, org_unit_code, line);
    page.add_contents_entry(line, table.chapter_number(row));
  }
}

void add_contents_from_text(LineReader& indented, const ChapterTable& table, Page& page) {
  HeadingCursor headings(table);
  std::uint64_t line_number = 0;
  std::string_view line;
  while (indented.next(line))
    if (const std::size_t row = headings.row_for_line(++line_number)) page.add_contents_entry(line, table.chapter_number(row));
}

}  // namespace kestram

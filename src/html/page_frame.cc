#include "html/page_frame.h"

#include "html/body_line.h"
#include "html/html_escape.h"
#include "restructure/indent_pass.h"
#include "text/byte_copy.h"
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

// A contents entry: its heading line's leading blanks, kEntryOpen, the
// stripped heading line escaped, kLinkOpen, the chapter number, kLinkMiddle,
// the number again and kEntryClose.
constexpr std::string_view kEntryOpen = "<b>";
constexpr std::string_view kLinkOpen = " <a href=\"#";
constexpr std::string_view kLinkMiddle = "\">";
constexpr std::string_view kEntryClose = "</a> </b>";
constexpr std::size_t kLineEndSize = 2;  // CR LF

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
  page.write(kEntryOpen);
  write_html_escaped(page, trim_blanks(heading_line));
  page.write(kLinkOpen);
  page.write(chapter_number);
  page.write(kLinkMiddle);
  page.write(chapter_number);
  page.write(kEntryClose);
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

namespace {

// The mark line of a row from its first blank on: what follows the chapter
// number in the row's heading line.
std::string_view title_part(const ChapterTable& table, std::size_t row) {
  const std::string_view text = table.mark_line_text(row);
  return text.substr(first_blank(text));
}

// The pieces of a numbered row's entry, in order: `blanks` takes the
// indentation, `text` the title part (which is to be escaped), `markup` the
// rest as it is. `unit` is the escaped unit code in its brackets, or empty.
template <typename Blanks, typename Text, typename Markup>
void numbered_entry_pieces(std::uint64_t indent, std::string_view number, std::string_view title,
                           std::string_view unit, Blanks blanks, Text text, Markup markup) {
  blanks(indent);
  markup(kEntryOpen);
  markup(number);
  text(title);
  markup(unit);
  markup(kLinkOpen);
  markup(number);
  markup(kLinkMiddle);
  markup(number);
  markup(kEntryClose);
}

// The entry of a numbered row, put together in place (a few copies instead
// of a write per part), or false when the page has not that much room for
// it. `entry` then views the bytes put, until the page writes again.
bool put_numbered_entry(std::uint64_t indent, std::string_view number, std::string_view title, std::string_view unit,
                        LineWriter& page, std::string_view& entry) {
  constexpr std::size_t kFixedSize = kEntryOpen.size() + kLinkOpen.size() + kLinkMiddle.size() + kEntryClose.size();
  if (indent > kMaxIndentBlanks) return false;
  char* to = page.reserve(static_cast<std::size_t>(indent) + kFixedSize + 3 * number.size() +
                          most_escaped_size(title.size()) + unit.size());
  if (to == nullptr) return false;
  char* const start = to;
  numbered_entry_pieces(
      indent, number, title, unit, [&to](std::uint64_t count) { to = fill_blanks(to, static_cast<std::size_t>(count)); },
      [&to](std::string_view piece) { to = put_html_escaped(to, piece); },
      [&to](std::string_view piece) { to = put_text(to, piece); });
  entry = std::string_view(start, static_cast<std::size_t>(to - start));
  page.commit(to);
  return true;
}

// A row without a chapter number has its entry made the long way, from its
// heading line as the indentation pass makes it.
void write_entry_of_unnumbered_row(const ChapterTable& table, std::size_t row, std::string_view org_unit_code,
                                   LineWriter& page) {
  std::string heading_line;
  LineWriter heading = LineWriter::to_memory(heading_line);
  write_heading_line(table, row, org_unit_code, heading);
  write_contents_entry(heading_line, table.chapter_number(row), page);
}

}  // namespace

void write_contents_from_table(const ChapterTable& table, std::string_view org_unit_code, LineWriter& page,
                               LineWriter* copy) {
  std::string unit;
  if (!org_unit_code.empty()) {
    unit.assign(kUnitOpen);
    append_html_escaped(unit, org_unit_code);
    unit.append(kUnitClose);
  }
  // The rare entry that is not put together in place is written part by
  // part, to the page and to the copy alike.
  auto write_entry = [&](const std::function<void(LineWriter&)>& write_parts) {
    write_parts(page);
    page.end_line();
    if (copy == nullptr) return;
    write_parts(*copy);
    copy->end_line();
  };
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::string_view number = table.chapter_number(row);
    if (number.empty()) {
      write_entry([&](LineWriter& out) { write_entry_of_unnumbered_row(table, row, org_unit_code, out); });
      continue;
    }
    // The heading line is the indentation, the chapter number, the title
    // part and the unit code in brackets. The number (digits and points)
    // starts the stripped line and needs no escaping, and the stripped mark
    // line or the closing bracket ends it: the entry is written from these
    // parts without making the line first.
    std::string_view entry;
    if (put_numbered_entry(table.indent_blanks(row), number, title_part(table, row), unit, page, entry)) {
      // The copy takes the entry before the page's line end may write out
      // the buffer that holds it.
      if (copy != nullptr) copy->write_line(entry);
      page.end_line();
      continue;
    }
    write_entry([&](LineWriter& out) {
      numbered_entry_pieces(
          table.indent_blanks(row), number, title_part(table, row), unit,
          [&out](std::uint64_t count) { out.write_blanks(static_cast<std::size_t>(count)); },
          [&out](std::string_view piece) { write_html_escaped(out, piece); },
          [&out](std::string_view piece) { out.write(piece); });
    });
  }
}

std::uint64_t contents_from_table_size(const ChapterTable& table, std::string_view org_unit_code) {
  const std::uint64_t unit_size =
      org_unit_code.empty() ? 0 : kUnitOpen.size() + html_escaped_size(org_unit_code) + kUnitClose.size();
  constexpr std::uint64_t kFixedSize =
      kEntryOpen.size() + kLinkOpen.size() + kLinkMiddle.size() + kEntryClose.size() + kLineEndSize;
  std::uint64_t size = 0;
  std::string entry;
  LineWriter entry_writer = LineWriter::to_memory(entry);
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::string_view number = table.chapter_number(row);
    if (number.empty()) {
      entry.clear();
      write_entry_of_unnumbered_row(table, row, org_unit_code, entry_writer);
      size += entry.size() + kLineEndSize;
      continue;
    }
    size += table.indent_blanks(row) + 3 * number.size() + html_escaped_size(title_part(table, row)) + unit_size +
            kFixedSize;
  }
  return size;
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

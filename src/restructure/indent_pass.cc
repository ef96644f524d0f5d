#include "restructure/indent_pass.h"

#include "text/byte_copy.h"
#include "text/text.h"

namespace kestram {
namespace {

// Writes the blanks in slices so that an absurd width ends soon after the
// file has stopped taking them.
void write_indent(LineWriter& out, std::uint64_t blanks) {
  constexpr std::uint64_t kSlice = 1 << 16;
  while (blanks > 0 && out.ok()) {
    std::uint64_t n = blanks < kSlice ? blanks : kSlice;
    out.write_blanks(static_cast<std::size_t>(n));
    blanks -= n;
  }
}

// The rest of a cross-reference line after the indentation: "look_at: " and
// the renumbered number of the chapter it names, or the line unchanged when it
// names none.
void write_cross_reference(std::string_view stripped, const ChapterTable& table, LineWriter& out) {
  // One separator character after the colon is always skipped, so
  // "look_at:2.1" names ".1".
  std::string reference(trim_blanks(keyword_value(stripped, kCrossReferenceKeyword.size())));
  if (reference.empty() || reference.back() != '.') reference += '.';
  std::size_t row = table.first_row_with_mark_number(reference);
  if (row == 0) {
    out.write(stripped);
    return;
  }
  out.write("look_at: ");
  out.write(table.chapter_number(row));
}

// The pieces of a chapter-mark line, in order: `blanks` takes the
// indentation, `put` the rest.
template <typename Blanks, typename Put>
void heading_line_pieces(std::uint64_t indent, std::string_view label, std::string_view title,
                         std::string_view org_unit_code, Blanks blanks, Put put) {
  blanks(indent);
  put(label);
  put(title);
  if (org_unit_code.empty()) return;
  put(kUnitOpen);
  put(org_unit_code);
  put(kUnitClose);
}

// A chapter-mark line put together in place in the writer's buffer (a few
// copies instead of a write per part), or false when it has not that much
// room for it.
bool put_heading_line(std::uint64_t indent, std::string_view label, std::string_view title,
                      std::string_view org_unit_code, LineWriter& out) {
  if (indent > kMaxIndentBlanks) return false;
  const std::size_t unit_size = org_unit_code.empty() ? 0 : kUnitOpen.size() + org_unit_code.size() + kUnitClose.size();
  char* to = out.reserve(static_cast<std::size_t>(indent) + label.size() + title.size() + unit_size);
  if (to == nullptr) return false;
  heading_line_pieces(
      indent, label, title, org_unit_code,
      [&to](std::uint64_t count) { to = fill_blanks(to, static_cast<std::size_t>(count)); },
      [&to](std::string_view piece) { to = put_text(to, piece); });
  out.commit(to);
  return true;
}

// One line of the indented text without its line end: the indentation, then
// the chapter number and title of a chapter-mark line (label not empty), a
// cross-reference, or the stripped line as it is.
void write_text_line(std::string_view stripped, std::string_view label, std::uint64_t indent,
                     const ChapterTable& table, std::string_view org_unit_code, LineWriter& out) {
  if (!label.empty()) {
    // The written number (up to the first blank) gives way to the chapter
    // number; the title stays byte for byte.
    const std::string_view title = stripped.substr(first_blank(stripped));
    if (put_heading_line(indent, label, title, org_unit_code, out)) return;
    heading_line_pieces(
        indent, label, title, org_unit_code, [&out](std::uint64_t count) { write_indent(out, count); },
        [&out](std::string_view piece) { out.write(piece); });
    return;
  }
  write_indent(out, indent);
  if (starts_with_lower(stripped, kCrossReferenceKeyword)) {
    write_cross_reference(stripped, table, out);
  } else {
    out.write(stripped);
  }
}

}  // namespace

std::string indent_too_wide_reason(std::uint64_t width) {
  return "indentation of " + std::to_string(width) + " blanks is wider than " + std::to_string(kMaxIndentBlanks);
}

std::string indented_file_name(std::string_view base_name) {
  return std::string(base_name) + "_indent.txt";
}

void write_heading_line(const ChapterTable& table, std::size_t row, std::string_view org_unit_code,
                        LineWriter& out) {
  write_text_line(table.mark_line_text(row), table.chapter_number(row), table.indent_blanks(row), table,
                  org_unit_code, out);
}

void write_indented_text(LineReader& input, const ChapterTable& table,
                         std::string_view org_unit_code, LineWriter& out, IndentHooks* hooks,
                         PlainLineSink* plain_lines) {
  HeadingCursor headings(table);
  std::uint64_t indent = 0;
  std::uint64_t line_number = 0;
  std::string_view line;
  while (out.ok() && input.next(line)) {
    ++line_number;
    std::string_view stripped = trim_blanks(line);
    std::string_view label;
    if (std::size_t row = headings.row_for_line(line_number)) {
      indent = table.indent_blanks(row);
      label = table.chapter_number(row);
      if (indent > kMaxIndentBlanks) {
        out.fail(indent_too_wide_reason(indent));
        break;
      }
    }
    if (plain_lines != nullptr && label.empty() && !starts_with_lower(stripped, kCrossReferenceKeyword)) {
      write_indent(out, indent);
      out.write(stripped);
      out.end_line_untold();
      plain_lines->plain_line(indent, stripped);
      continue;
    }
    const bool heading = hooks != nullptr && !label.empty();
    if (heading) hooks->at_heading(label);
    write_text_line(stripped, label, indent, table, org_unit_code, out);
    out.end_line();
    if (heading) hooks->after_heading(line_number, stripped, label, out);
  }
}

}  // namespace kestram

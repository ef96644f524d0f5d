#include "restructure/indent_pass.h"

#include <algorithm>

#include "text/text.h"

namespace kestram {
namespace {

// A chapter-mark line behind its indentation: the chapter number in place of
// the written one (up to the first blank), the title byte for byte, and the
// unit code in brackets; without a chapter number, the line as it is.
// `Parts` is LineParts or StringParts.
template <typename Parts>
void write_heading(std::uint64_t indent, std::string_view label, std::string_view stripped,
                   std::string_view org_unit_code, Parts& out) {
  out.add_blanks(indent);
  if (label.empty()) {
    out.add(stripped);
    return;
  }
  out.add(label);
  out.add(stripped.substr(first_blank(stripped)));
  if (org_unit_code.empty()) return;
  out.add(kUnitOpen);
  out.add(org_unit_code);
  out.add(kUnitClose);
}

struct StringParts {
  std::string& text;
  void add(std::string_view part) { text.append(part); }
  void add_blanks(std::uint64_t count) { text.append(static_cast<std::size_t>(count), ' '); }
};

// The rest of a cross-reference line after the indentation: "look_at: " and
// the renumbered number of the chapter it names, or the line unchanged when it
// names none.
void write_cross_reference(std::string_view stripped, const ChapterTable& table, std::string& reference,
                           LineParts& out) {
  cross_reference_target(stripped, reference);
  const std::size_t row = table.first_row_with_mark_number(reference);
  if (row == 0) {
    out.add(stripped);
    return;
  }
  out.add("look_at: ");
  out.add(table.chapter_number(row));
}

}  // namespace

void cross_reference_target(std::string_view stripped_line, std::string& target) {
  target.assign(trim_blanks(keyword_value(stripped_line, kCrossReferenceKeyword.size())));
  if (target.empty() || target.back() != '.') target += '.';
}

std::string indented_file_name(std::string_view base_name) {
  return std::string(base_name) + "_indent.txt";
}

void heading_line(const ChapterTable& table, std::size_t row, std::string_view org_unit_code, std::string& line) {
  line.clear();
  StringParts parts{line};
  write_heading(table.indent_blanks(row), table.chapter_number(row), table.mark_line_text(row), org_unit_code, parts);
}

std::uint64_t indented_text_size(const ChapterTable& table, std::string_view org_unit_code) {
  // Each term is below 2^64 times a line count, so the sum stays far below
  // 2^128 for any document that can be read. A term may take away bytes (a
  // chapter number shorter than the one written): the sum then wraps around
  // and back, as its true value never drops below 0.
  using Wide = unsigned __int128;
  const DocumentTotals& totals = table.totals();
  const std::uint64_t lines = totals.line_count;
  Wide size = Wide{lines} * 2 + totals.stripped_bytes;
  const Wide unit = org_unit_code.empty() ? 0 : kUnitOpen.size() + org_unit_code.size() + kUnitClose.size();
  std::size_t longest_number = 0;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::uint64_t mark_line = table.mark_line(row);
    if (mark_line > lines) break;
    // The chapter's indentation runs from its mark line to the next one.
    const std::uint64_t next = row < table.chapter_count() ? std::min(table.mark_line(row + 1), lines + 1) : lines + 1;
    size += Wide{next - mark_line} * table.indent_blanks(row);
    const std::string_view number = table.chapter_number(row);
    longest_number = std::max(longest_number, number.size());
    if (!number.empty()) size += number.size() + unit - table.written_number_length(row);
  }
  // A cross-reference that names a chapter is written as the keyword, a
  // blank and the chapter's number in place of the line.
  for (const auto& [target, tally] : totals.cross_references) {
    if (const std::size_t row = table.first_row_with_mark_number(target))
      size += Wide{tally.lines} * (kCrossReferenceKeyword.size() + 1 + table.chapter_number(row).size()) - tally.bytes;
  }
  // Lines whose target was not kept may each grow by at most this much: the
  // shortest such line is the keyword alone.
  size += Wide{totals.untallied_cross_references} * (1 + longest_number);
  return size > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(size);
}

Indenter::Indenter(const ChapterTable& table, std::string_view org_unit_code, LineSink& out, IndentHooks* hooks)
    : table_(table), org_unit_code_(org_unit_code), out_(out), parts_(out), hooks_(hooks), headings_(table) {}

void Indenter::line(std::string_view text) {
  ++line_number_;
  const std::string_view stripped = trim_blanks(text);
  std::string_view label;
  if (const std::size_t row = headings_.row_for_line(line_number_)) {
    indent_ = table_.indent_blanks(row);
    label = table_.chapter_number(row);
  }
  if (starts_with_lower(stripped, kCrossReferenceKeyword) && label.empty()) {
    parts_.add_blanks(indent_);
    write_cross_reference(stripped, table_, reference_, parts_);
    parts_.end_line();
    return;
  }
  if (label.empty()) {
    // Most lines: the stripped line behind its indentation, in two pieces
    // (the sinks behind copy them anyway).
    out_.write_blanks(indent_);
    out_.write(stripped);
    out_.end_line();
    return;
  }
  if (hooks_ != nullptr) hooks_->at_heading(label);
  write_heading(indent_, label, stripped, org_unit_code_, parts_);
  parts_.end_line();
  if (hooks_ != nullptr) hooks_->after_heading(line_number_, stripped, label, out_);
}

}  // namespace kestram

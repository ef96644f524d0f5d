#include "restructure/indent_pass.h"

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

Indenter::Indenter(const ChapterTable& table, std::string_view org_unit_code, LineSink& out, IndentHooks* hooks)
    : table_(table), org_unit_code_(org_unit_code), out_(out), parts_(out), hooks_(hooks), headings_(table) {}

void Indenter::line(std::string_view text) {
  ++line_number_;
  if (!refusal_.empty()) return;
  const std::string_view stripped = trim_blanks(text);
  std::string_view label;
  if (const std::size_t row = headings_.row_for_line(line_number_)) {
    indent_ = table_.indent_blanks(row);
    label = table_.chapter_number(row);
    if (indent_ > kMaxIndentBlanks) {
      refusal_ = "indentation of " + std::to_string(indent_) + " blanks is wider than " +
                 std::to_string(kMaxIndentBlanks);
      return;
    }
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
  if (hooks_ != nullptr) refusal_ = hooks_->after_heading(line_number_, stripped, label, out_);
}

}  // namespace kestram

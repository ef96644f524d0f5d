// The indentation pass: the indented text, one output line per input line.
//
// Every line starts with the indentation of the chapter it belongs to; every
// chapter-mark line carries its renumbered chapter number in place of the
// written one (and the organisational-unit code in brackets at its end); every
// cross-reference line that names an existing chapter by its written number
// is rewritten to name the renumbered one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "restructure/chapter_table.h"
#include "text/line_sink.h"

namespace kestram {

// The keyword of a cross-reference line, in lower case.
constexpr std::string_view kCrossReferenceKeyword = "look_at:";

// The chapter that a stripped cross-reference line names by its written
// number, as a mark number: the text after the keyword and one separator
// character, stripped, with a final point ("look_at: 2.1" names "2.1.", and
// "look_at:2.1" names ".1.").
void cross_reference_target(std::string_view stripped_line, std::string& target);

// Where supplementation acts inside the pass, at chapter-mark lines with a
// non-empty chapter number only. A normal run passes no hooks.
class IndentHooks {
 public:
  virtual ~IndentHooks() = default;
  // Before the chapter-mark line is written.
  virtual void at_heading(std::string_view chapter_label) = 0;
  // After the chapter-mark line is written; may write further lines. The
  // line number counts the input's lines from 1; the stripped line is the
  // input line without its blanks at both ends.
  virtual void after_heading(std::uint64_t line_number, std::string_view stripped_line,
                             std::string_view chapter_label, LineSink& out) = 0;
};

// The organisational-unit code stands at the end of a chapter-mark line
// between these two.
constexpr std::string_view kUnitOpen = " (";
constexpr std::string_view kUnitClose = ")";

// base_name + "_indent.txt".
std::string indented_file_name(std::string_view base_name);

// Puts in `line` the line that the pass writes for the chapter-mark line of
// `row` (without its line end), from the table alone (the row must keep its
// mark_line_text). The table must be renumbered.
void heading_line(const ChapterTable& table, std::size_t row, std::string_view org_unit_code, std::string& line);

// The number of bytes the pass writes without hooks, from the table alone:
// the document's stripped lines with their line ends, every line's
// indentation, the chapter numbers in place of the written ones with the unit
// code, and the rewritten cross-references. The table must come from the scan
// of the whole document, renumbered. Indentations have no bound, so the size
// is worked out before a text is written; it is UINT64_MAX when larger.
std::uint64_t indented_text_size(const ChapterTable& table, std::string_view org_unit_code);

// The pass as a stage: takes the lines of the input from its first line on
// and writes every line, stripped of its blanks at both ends, behind the
// current indentation. The table must be renumbered.
class Indenter : public WholeLineSink {
 public:
  Indenter(const ChapterTable& table, std::string_view org_unit_code, LineSink& out, IndentHooks* hooks = nullptr);
  void finish() override { out_.finish(); }

 private:
  void line(std::string_view text) override;

  const ChapterTable& table_;
  std::string_view org_unit_code_;
  LineSink& out_;
  LineParts parts_;  // each line goes on in one piece
  IndentHooks* hooks_;
  HeadingCursor headings_;
  std::uint64_t line_number_ = 0;
  std::uint64_t indent_ = 0;
  std::string reference_;  // the chapter a cross-reference line names
};

}  // namespace kestram

// The indentation pass: writes the indented text file, one output line per
// input line.
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
#include "text/lines.h"

namespace kestram {

// The keyword of a cross-reference line, in lower case.
constexpr std::string_view kCrossReferenceKeyword = "look_at:";

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
                             std::string_view chapter_label, LineWriter& out) = 0;
};

// Hears of every plain line of the pass as it is written: a line that is the
// stripped input line behind the indentation (no chapter-mark line, no
// cross-reference). Such a line then ends without telling the output's
// LineWriter::LineObserver, which hears of the other lines only.
class PlainLineSink {
 public:
  virtual ~PlainLineSink() = default;
  virtual void plain_line(std::uint64_t indent_blanks, std::string_view stripped_line) = 0;
};

// The organisational-unit code stands at the end of a chapter-mark line
// between these two.
constexpr std::string_view kUnitOpen = " (";
constexpr std::string_view kUnitClose = ")";

// The widest indentation written, in blanks: far beyond any useful layout
// (26 levels of 384 blanks), small enough that every line stays writable. A
// chapter that would be indented further makes the pass give up on the file
// there (LineWriter::fail, reason kIndentTooWideReason) instead of filling the
// disk with blanks.
constexpr std::uint64_t kMaxIndentBlanks = 10'000;

// The reason given for a chapter indented wider than kMaxIndentBlanks:
// "indentation of <width> blanks is wider than 10000".
std::string indent_too_wide_reason(std::uint64_t width);

// base_name + "_indent.txt".
std::string indented_file_name(std::string_view base_name);

// Writes, without its line end, the line that write_indented_text() writes
// for the chapter-mark line of `row`, from the table alone (the row must
// keep its mark_line_text). The table must be renumbered, and the row's
// indentation at most kMaxIndentBlanks.
void write_heading_line(const ChapterTable& table, std::size_t row, std::string_view org_unit_code,
                        LineWriter& out);

// Reads the input from its current position to its end (the caller hands a
// fresh reader of the file that the chapter table was filled from) and writes
// every line, stripped of its blanks at both ends, behind the current
// indentation. The table must be renumbered. The pass stops early once the
// writer has failed, since nothing more can reach the file, and fails the
// writer itself at a chapter indented wider than kMaxIndentBlanks.
void write_indented_text(LineReader& input, const ChapterTable& table,
                         std::string_view org_unit_code, LineWriter& out, IndentHooks* hooks,
                         PlainLineSink* plain_lines = nullptr);

}  // namespace kestram

// Supplementation of chapter marks: the mode of the indentation pass that,
// under every chapter-mark line from a chosen start chapter on, adds an
// identification line (the chapter title as one hyphenated word, " id=" and
// nine pseudo-random digits) and a chosen number of empty lines.
//
// The driver prints the dialogue texts below, asks the two questions, runs the
// indentation pass with a Supplementer as its hooks, then prints the closing
// lines and ends the run.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "restructure/chapter_table.h"
#include "restructure/identifier_generator.h"
#include "restructure/indent_pass.h"
#include "text/lines.h"

namespace kestram {

// Printed line by line before the questions ("" is an empty line).
constexpr std::array<std::string_view, 7> kSupplementIntroLines = {
    "============ SUPPLEMENTATION OF CHAPTER MARKS ONLY ===========",
    "All chapters have the same chapter numbering.",
    "This is a condition that we can add lines with the unique identifier id= ",
    "An identification line with id= will be added to each line from the start chapter onwards.",
    "",
    "All chapters from the selected start chapter will have an id= line added.",
    "",
};
// Asked with ask_text; the answer is the start chapter.
constexpr std::string_view kStartChapterPrompt =
    "select start chapter for adding identification line (like 1., 1.2, 1.2.3 ...) = ";
// Asked with ask_number after an empty line; the answer is the number of
// empty lines under each identification line.
constexpr std::string_view kExtraLineCountPrompt =
    "select number of additional lines under each identification line = ";
// Printed line by line after the pass, before the "view file: " line.
constexpr std::array<std::string_view, 6> kSupplementClosingLines = {
    "============ SUPPLEMENTATION OF CHAPTER MARKS ONLY ===========",
    "",
    "Added a line that summarizes the chapter label as text.",
    "These lines will later be used as keywords in indexing.",
    "The file is ready for further addition with text.",
    "",
};
constexpr std::string_view kViewFilePrefix = "view file: ";
// The message of the final pause, printed after an empty line that follows
// the "view file: " line.
constexpr std::string_view kSupplementEndMessage = "<...> any key to continue and end";

// Every closing line in order, "" for an empty line: kSupplementClosingLines,
// "view file: " + the indented file's name, and an empty line.
std::vector<std::string> supplement_closing_lines(std::string_view indented_file_name);

// The title key of a stripped chapter-mark line: the text after its first
// blank with every blank turned into "-", then " id=". Several blanks after
// the number thus give leading hyphens; a line without a blank has an empty
// title.
std::string title_key(std::string_view stripped_heading);

// The lines of the work copy (sour_in.txt, the input as the user gave it),
// read forward only from its start.
class WorkCopyLines {
 public:
  explicit WorkCopyLines(LineReader& work_copy) : work_copy_(work_copy), line_number_(work_copy.line_number()) {}
  // Line `line_number` of the work copy; false past its end, and for a line
  // before the last one asked. The view holds until the next call.
  bool line(std::uint64_t line_number, std::string_view& line);

 private:
  LineReader& work_copy_;
  std::uint64_t line_number_;  // lines read so far
  bool holds_line_ = false;    // last_line_ is line line_number_
  std::string_view last_line_;
};

// Whether the chapter whose chapter-mark line is `line_number` gets an
// identification line with `key`: not when the line after it in the work
// copy already holds the key (an earlier run supplemented it).
bool needs_identification_line(WorkCopyLines& work_copy, std::uint64_t line_number, std::string_view key);

// The bytes the supplementation adds to the indented text: for every chapter
// from the start chapter on that needs one, its identification line (title
// key, nine digits, CR LF) and the empty lines under it. Reads the work copy
// from its start; the table must come from the scan, renumbered with
// increment 0. UINT64_MAX when larger.
std::uint64_t identification_bytes(const ChapterTable& table, std::string_view start_chapter,
                                   std::int64_t extra_line_count, LineReader& work_copy);

class Supplementer : public IndentHooks {
 public:
  // work_copy reads sour_in.txt, the copy of the input, from its start; it is
  // only ever read forward. clock gives the time of day for the pool length.
  Supplementer(std::string start_chapter, std::int64_t extra_line_count,
               LineReader& work_copy, const Clock& clock);

  // Marks the start as reached at the chapter whose label equals the start
  // chapter exactly; it stays reached for the rest of the pass.
  void at_heading(std::string_view chapter_label) override;

  // From the start chapter on, writes the identification line and the empty
  // lines below it, unless the input line that follows the chapter-mark line
  // already holds the chapter's title key.
  void after_heading(std::uint64_t line_number, std::string_view stripped_line,
                     std::string_view chapter_label, LineSink& out) override;

  bool start_reached() const { return start_reached_; }
  std::uint64_t identification_lines_written() const { return identification_lines_; }

 private:
  std::string start_chapter_;
  std::int64_t extra_line_count_;
  WorkCopyLines work_copy_;
  const Clock& clock_;
  IdentifierGenerator generator_;
  bool start_reached_ = false;
  std::uint64_t identification_lines_ = 0;
};

}  // namespace kestram

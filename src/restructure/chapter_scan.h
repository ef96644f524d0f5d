// The two scans of the input file that find its chapter marks.
//
// The counting scan tells whether there is anything to do; the filling scan
// records the chapter marks. They differ on purpose: only the filling scan
// applies the bound of 2000 to the leading number, so a file may have
// candidate marks but no chapter. Both stream the file: memory follows the
// number of chapters, never the length of the file or of its lines.
#pragma once

#include <cstdint>
#include <string_view>

#include "restructure/chapter_table.h"
#include "restructure/renumber.h"
#include "text/lines.h"

namespace kestram {

// Printed (after an empty line) when the counting scan finds nothing; the run
// then ends.
constexpr std::string_view kNoChapterMarkMessage = "The file does not have a chapter marked.";

// Number of candidate marks from the reader's position to the end of the
// input. A reader that could not open its file reads as empty and gives 0.
std::uint64_t count_candidate_marks(LineReader& input);

// Reads from the reader's current position (the caller rewinds it after the
// counting scan) and appends one row per chapter mark, in file order, with the
// mark number as written and the 1-based number of its line; the row's
// components are the split of its mark number. Line numbers count every line
// read here, empty ones included.
void fill_chapter_table(LineReader& input, ChapterTable& table);

// Both scans in one pass over the input, from the reader's position to its
// end: fills the table as fill_chapter_table() does and returns what
// count_candidate_marks() would. Each line's part in either result depends
// on that line and its number alone, so one reading serves both. The rows
// also keep their chapter-mark lines (ChapterTable::mark_line_text), so that
// later passes need not read the file for the headings alone; but only lines
// of at most kLongestKeptMarkLine bytes, as long as all kept stay within
// kKeptMarkLineBytes, so that memory does not grow with the document. The
// other rows keep an empty text. With a renumbering, each row is handed to
// it as soon as it is added.
constexpr std::size_t kLongestKeptMarkLine = std::size_t{1} << 20;
constexpr std::uint64_t kKeptMarkLineBytes = std::uint64_t{64} << 20;
std::uint64_t scan_chapter_marks(LineReader& input, ChapterTable& table, Renumbering* renumbering = nullptr);

}  // namespace kestram

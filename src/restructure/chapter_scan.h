// The scan of the input file that finds its chapter marks.
//
// It counts the candidate marks, which tell whether there is anything to do,
// and records the chapter marks; only the latter must keep the bound of 2000
// on the leading number, so a file may have candidate marks but no chapter.
// It streams the file: memory follows the number of chapters, never the
// length of the file or of its lines.
#pragma once

#include <cstdint>
#include <string_view>

#include "restructure/chapter_table.h"
#include "restructure/rows_ready.h"
#include "text/lines.h"

namespace kestram {

// Printed (after an empty line) when the scan finds no candidate mark; the
// run then ends.
constexpr std::string_view kNoChapterMarkMessage = "The file does not have a chapter marked.";

// Reads from the reader's position to its end, appends one row per chapter
// mark, in file order, with the mark number as written and the 1-based number
// of its line (counting every line read here, empty ones included), and
// returns the number of candidate marks. A reader that could not open its
// file reads as empty and gives 0.
//
// The rows also keep their chapter-mark lines (ChapterTable::mark_line_text),
// so that later passes need not read the file for the headings alone; but
// only lines of at most kLongestKeptMarkLine bytes, as long as all kept stay
// within kKeptMarkLineBytes, so that memory does not grow with the document.
// The other rows keep an empty text.
//
// The scan also fills the table's DocumentTotals: lines, their bytes, whether
// they are UTF-8, and the cross-reference lines.
//
// With `ready`, it shows there now and then how many rows are complete, last
// all of them, for work on the rows that follows it on another thread.
constexpr std::size_t kLongestKeptMarkLine = std::size_t{1} << 20;
constexpr std::uint64_t kKeptMarkLineBytes = std::uint64_t{64} << 20;
std::uint64_t scan_chapter_marks(LineReader& input, ChapterTable& table, RowsReady* ready = nullptr);

}  // namespace kestram

// The chapter list: written and renumbered chapter numbers side by side on the
// console, and the whole chapter table in the chapters file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "restructure/chapter_table.h"
#include "text/line_sink.h"

namespace kestram {

// The first line of the console list.
constexpr std::string_view kChapterListRule = "====================";
// Print zones start every this many columns: at columns 15, 29, 43, ...
constexpr int kPrintZoneWidth = 14;

// The input file name up to, not including, the first ".txt" in any letter
// case ("Report.TXT" gives "Report"); a name without ".txt" is taken whole.
std::string base_name_of(std::string_view input_file_name);

// base_name + "_chapters.txt".
std::string chapters_file_name(std::string_view base_name);

// Prints the console lines kChapterListRule, then for every row its mark
// number, blanks up to the next print zone and its chapter number. They go to
// print_line in blocks of many lines: all lines of a block but its last end
// with CR LF, and print_line ends the last, so the console receives the same
// bytes as from one call per line.
// When that zone would start within the last 14 columns of a console line of
// `console_width` columns (80 when the width is unknown, 0 or less), the
// chapter number goes on a line of its own instead. Mark numbers longer than
// the console line wrap, and the zones count from the column where they end.
void print_chapter_list(const ChapterTable& table, int console_width,
                        const std::function<void(std::string_view)>& print_line);

// Two lines per row: every non-empty column (mark number, mark line,
// indentation width, chapter number, then each component) followed by two
// blanks, then two more blanks; then a line of two blanks. No rows, no lines.
void write_chapters_file(const ChapterTable& table, LineSink& out);

}  // namespace kestram

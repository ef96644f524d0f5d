// Builds a finished chapter table from (mark line, chapter number) pairs, as
// the renumbering would leave it, for tests of the passes that only read it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <string_view>

#include "restructure/chapter_scan.h"
#include "restructure/chapter_table.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "text/lines.h"

namespace kestram::testing {

struct ChapterRow {
  std::uint64_t mark_line;
  std::string chapter_number;  // "3." at level 1, "3.1" deeper
};

inline ChapterTable chapter_table_of(const std::vector<ChapterRow>& rows) {
  ChapterTable table;
  for (const ChapterRow& r : rows) {
    std::string mark = r.chapter_number;
    if (mark.empty() || mark.back() != '.') mark += '.';
    table.add_row(mark, r.mark_line);
    int level = 0;
    for (char c : mark) level += c == '.';
    table.set_chapter(table.chapter_count(), r.chapter_number, r.chapter_number.empty() ? 0 : level);
  }
  table.finish();
  return table;
}

// The chapter table of the input from where it stands, filled and renumbered
// as the run does, with its count of candidate marks.
inline ChapterTable table_of_input(LineReader& input, std::int64_t increment) {
  ChapterTable table;
  table.set_candidate_count(scan_chapter_marks(input, table));
  renumber_chapters(table, increment);
  return table;
}

inline ChapterTable table_of_document(std::string_view text, std::int64_t increment) {
  LineReader input = LineReader::from_memory(text);
  return table_of_input(input, increment);
}

// The indented text of `text`.
inline std::string indent_with(const ChapterTable& table, std::string_view text, std::string_view org = "") {
  std::string bytes;
  StringSink out(bytes);
  Indenter indenter(table, org, out);
  LineReader input = LineReader::from_memory(text);
  feed_lines(input, indenter);
  return bytes;
}

}  // namespace kestram::testing

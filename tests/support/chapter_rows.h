// A finished chapter table from (mark line, chapter number) pairs, as the
// renumbering would leave it, for tests of the stages that only read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "restructure/chapter_table.h"

namespace kestram::testing {

struct ChapterRow {
  std::uint64_t mark_line;
  std::string chapter_number;  // "3." at level 1, "3.1" deeper
};

inline ChapterTable chapter_table_of(const std::vector<ChapterRow>& rows) {
  ChapterTable table;
  for (const ChapterRow& r : rows) {
    const std::string mark = r.chapter_number.empty() || r.chapter_number.back() != '.' ? r.chapter_number + "." : r.chapter_number;
    table.add_row(mark, r.mark_line);
    int level = 0;
    for (char c : mark) level += c == '.';
    table.set_chapter(table.chapter_count(), r.chapter_number, r.chapter_number.empty() ? 0 : level);
  }
  table.finish();
  return table;
}

}  // namespace kestram::testing

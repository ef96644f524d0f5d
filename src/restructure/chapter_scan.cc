#include "restructure/chapter_scan.h"

#include "restructure/chapter_mark.h"
#include "text/text.h"

namespace kestram {

std::uint64_t scan_chapter_marks(LineReader& input, ChapterTable& table) {
  std::uint64_t candidates = 0;
  std::uint64_t line_number = 0;
  std::uint64_t kept = 0;  // bytes of chapter-mark lines kept so far
  std::string_view line;
  while (input.next(line)) {
    ++line_number;
    const std::string_view trimmed = trim_blanks(line);
    const MarkTest mark = test_mark(trimmed);
    if (!mark.candidate) continue;
    ++candidates;
    if (!mark.chapter) continue;
    const bool keep = trimmed.size() <= kLongestKeptMarkLine && kept + trimmed.size() <= kKeptMarkLineBytes;
    if (keep) kept += trimmed.size();
    table.add_row(trimmed.substr(0, mark.number_length), line_number, keep ? trimmed : std::string_view());
  }
  return candidates;
}

}  // namespace kestram

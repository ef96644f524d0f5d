#include "restructure/chapter_scan.h"

#include "restructure/chapter_mark.h"
#include "restructure/indent_pass.h"
#include "text/text.h"
#include "text/utf8.h"

namespace kestram {
namespace {

// Rows are shown to the work behind the scan in blocks of this many: often
// enough to keep it busy, seldom enough to cost nothing.
constexpr std::size_t kRowsShownAtOnce = 16384;

// Out of line: cross-references are few, and the scan's loop stays small.
[[gnu::noinline]] void tally_cross_reference(std::string_view stripped_line, std::string& target,
                                             DocumentTotals& totals) {
  cross_reference_target(stripped_line, target);
  auto found = totals.cross_references.find(target);
  if (found == totals.cross_references.end()) {
    if (totals.tallied_name_bytes + target.size() > DocumentTotals::kTalliedNameBytes) {
      ++totals.untallied_cross_references;
      return;
    }
    totals.tallied_name_bytes += target.size();
    found = totals.cross_references.emplace(target, DocumentTotals::LineTally{}).first;
  }
  ++found->second.lines;
  found->second.bytes += stripped_line.size();
}

}  // namespace

std::uint64_t scan_chapter_marks(LineReader& input, ChapterTable& table, RowsReady* ready) {
  std::uint64_t candidates = 0;
  std::uint64_t line_number = 0;
  std::uint64_t kept = 0;  // bytes of chapter-mark lines kept so far
  DocumentTotals& totals = table.totals();
  std::uint64_t stripped_bytes = 0;
  bool utf8 = true;
  std::string target;
  std::string_view line;
  while (input.next(line)) {
    ++line_number;
    const std::string_view trimmed = trim_blanks(line);
    stripped_bytes += trimmed.size();
    utf8 = utf8 && is_valid_utf8(line);
    const MarkTest mark = test_mark(trimmed);
    if (!mark.candidate) {
      // A cross-reference line starts with a letter, so it is never a mark.
      if (starts_with_lower(trimmed, kCrossReferenceKeyword)) tally_cross_reference(trimmed, target, totals);
      continue;
    }
    ++candidates;
    if (!mark.chapter) continue;
    const bool keep = trimmed.size() <= kLongestKeptMarkLine && kept + trimmed.size() <= kKeptMarkLineBytes;
    if (keep) kept += trimmed.size();
    table.add_row(trimmed.substr(0, mark.number_length), line_number, keep ? trimmed : std::string_view());
    if (ready != nullptr && table.chapter_count() % kRowsShownAtOnce == 0) ready->show(table.chapter_count());
  }
  if (ready != nullptr) ready->show(table.chapter_count());
  totals.line_count = line_number;
  totals.stripped_bytes = stripped_bytes;
  totals.utf8 = utf8;
  return candidates;
}

}  // namespace kestram

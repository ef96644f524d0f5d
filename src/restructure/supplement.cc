#include "restructure/supplement.h"

#include <utility>

#include "text/text.h"

namespace kestram {
namespace {

// Whether `pattern` (not empty) occurs in `text`, in time linear in both:
// a title and the line after it may each be many megabytes long.
template <typename Index>
bool contains_with(std::string_view text, std::string_view pattern) {
  const std::size_t m = pattern.size();
  // border[i]: length of the longest proper prefix of pattern[0..i] that is
  // also its suffix.
  std::vector<Index> border(m, 0);
  Index k = 0;
  for (std::size_t i = 1; i < m; ++i) {
    while (k > 0 && pattern[i] != pattern[k]) k = border[k - 1];
    if (pattern[i] == pattern[k]) ++k;
    border[i] = k;
  }
  k = 0;
  for (char c : text) {
    while (k > 0 && c != pattern[k]) k = border[k - 1];
    if (c == pattern[k] && ++k == m) return true;
  }
  return false;
}

bool contains(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return true;
  if (pattern.size() > text.size()) return false;
  if (pattern.size() <= UINT32_MAX) return contains_with<std::uint32_t>(text, pattern);
  return contains_with<std::size_t>(text, pattern);
}

}  // namespace

std::vector<std::string> supplement_closing_lines(std::string_view indented_file_name) {
  std::vector<std::string> lines(kSupplementClosingLines.begin(), kSupplementClosingLines.end());
  lines.push_back(std::string(kViewFilePrefix) + std::string(indented_file_name));
  lines.emplace_back();
  return lines;
}

std::string title_key(std::string_view stripped_heading) {
  std::size_t blank = stripped_heading.find(' ');
  std::string key;
  if (blank != std::string_view::npos) key.assign(stripped_heading.substr(blank + 1));
  for (char& c : key)
    if (c == ' ') c = '-';
  key += " id=";
  return key;
}

bool WorkCopyLines::line(std::uint64_t line_number, std::string_view& line) {
  if (line_number == line_number_ && holds_line_) {
    line = last_line_;
    return true;
  }
  if (line_number <= line_number_) return false;
  holds_line_ = false;
  while (line_number_ < line_number) {
    if (!work_copy_.next(last_line_)) return false;
    ++line_number_;
  }
  holds_line_ = true;
  line = last_line_;
  return true;
}

bool needs_identification_line(WorkCopyLines& work_copy, std::uint64_t line_number, std::string_view key) {
  std::string_view following;
  return !work_copy.line(line_number + 1, following) || !contains(following, key);
}

std::uint64_t identification_bytes(const ChapterTable& table, std::string_view start_chapter,
                                   std::int64_t extra_line_count, LineReader& work_copy) {
  using Wide = unsigned __int128;
  constexpr std::size_t kIdentifierAndLineEnd = 9 + 2;
  const Wide empty_lines = extra_line_count > 0 ? Wide(extra_line_count) * 2 : 0;
  WorkCopyLines lines(work_copy);
  Wide size = 0;
  bool start_reached = false;
  std::string key;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    // The pass asks only about chapters with a number, as it does here.
    const std::string_view number = table.chapter_number(row);
    if (number.empty()) continue;
    start_reached = start_reached || number == start_chapter;
    if (!start_reached) continue;
    // The key comes from the chapter-mark line: kept by the table, or read
    // from the work copy when it was too long to keep.
    std::string_view heading = table.mark_line_text(row);
    if (heading.empty()) lines.line(table.mark_line(row), heading);
    key = title_key(trim_blanks(heading));
    if (needs_identification_line(lines, table.mark_line(row), key))
      size += key.size() + kIdentifierAndLineEnd + empty_lines;
  }
  return size > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(size);
}

Supplementer::Supplementer(std::string start_chapter, std::int64_t extra_line_count,
                           LineReader& work_copy, const Clock& clock)
    : start_chapter_(std::move(start_chapter)),
      extra_line_count_(extra_line_count),
      work_copy_(work_copy),
      clock_(clock) {}

void Supplementer::at_heading(std::string_view chapter_label) {
  if (chapter_label == start_chapter_) start_reached_ = true;
}

void Supplementer::after_heading(std::uint64_t line_number, std::string_view stripped_line,
                                 std::string_view /*chapter_label*/, LineSink& out) {
  if (!start_reached_) return;
  const std::string key = title_key(stripped_line);
  // A chapter whose next line already holds its title key was supplemented
  // by an earlier run; the check reads the input as the user gave it.
  if (!needs_identification_line(work_copy_, line_number, key)) return;
  out.write(key);
  out.write_line(generator_.next_identifier(clock_.now()));
  ++identification_lines_;
  for (std::int64_t i = 0; i < extra_line_count_; ++i) out.end_line();
}

}  // namespace kestram

#include "restructure/chapter_scan.h"

#include <memory>
#include <string>
#include <vector>

#include "restructure/chapter_mark.h"
#include "text/batch_queue.h"
#include "text/side_work.h"
#include "text/text.h"

namespace kestram {

std::uint64_t count_candidate_marks(LineReader& input) {
  std::uint64_t count = 0;
  std::string_view line;
  while (input.next(line))
    if (is_candidate_mark(trim_blanks(line))) ++count;
  return count;
}

void fill_chapter_table(LineReader& input, ChapterTable& table) {
  std::uint64_t line_number = 0;
  std::string_view line;
  while (input.next(line)) {
    ++line_number;
    std::string_view trimmed = trim_blanks(line);
    const MarkTest mark = test_mark(trimmed);
    if (mark.chapter) table.add_row(trimmed.substr(0, mark.number_length), line_number);
  }
}

namespace {

// Reads the lines from the reader's position on and hands each chapter-mark
// line to `found` as (line number, text, mark test, keep): the text is the
// stripped line when the row is to keep it, else its mark number alone.
// Returns the number of candidate marks, or stops early when `found`
// returns false.
template <typename Found>
std::uint64_t find_chapter_marks(LineReader& input, Found found) {
  std::uint64_t candidates = 0;
  std::uint64_t line_number = 0;
  std::uint64_t kept = 0;  // bytes of chapter-mark lines kept so far
  std::string_view line;
  while (input.next(line)) {
    ++line_number;
    std::string_view trimmed = trim_blanks(line);
    const MarkTest mark = test_mark(trimmed);
    if (!mark.candidate) continue;
    ++candidates;
    if (!mark.chapter) continue;
    const bool keep = trimmed.size() <= kLongestKeptMarkLine && kept + trimmed.size() <= kKeptMarkLineBytes;
    kept += keep ? trimmed.size() : 0;
    if (!found(line_number, keep ? trimmed : trimmed.substr(0, mark.number_length), mark.number_length, keep)) break;
  }
  return candidates;
}

void add_chapter_mark(ChapterTable& table, Renumbering* renumbering, std::uint64_t line_number,
                      std::string_view text, std::size_t number_length, bool keep) {
  table.add_row(text.substr(0, number_length), line_number, keep ? text : std::string_view());
  if (renumbering != nullptr) renumbering->add(table.chapter_count());
}

// Chapter-mark lines on their way from the reading thread to the table.
struct FoundMark {
  std::uint64_t line_number;
  std::size_t text_size;
  std::size_t number_length;
  bool keep;
};
struct FoundMarks {
  std::string texts;  // the marks' texts one after another
  std::vector<FoundMark> marks;
};
// A batch goes once its texts reach this size; this many may be on their
// way at once.
constexpr std::size_t kBatchTextBytes = std::size_t{1} << 16;
constexpr std::size_t kBatchesOut = 8;

}  // namespace

std::uint64_t scan_chapter_marks(LineReader& input, ChapterTable& table, Renumbering* renumbering) {
  // The lines are read and tested on a thread of their own, while the rows
  // are added (and renumbered) here: for a document of chapter marks the
  // two halves cost about the same.
  BatchQueue<FoundMarks> queue(kBatchesOut);
  std::uint64_t candidates = 0;
  SideWork reader;  // after the queue: waited for before the queue goes
  const bool beside = reader.try_start([&] {
    try {
      std::unique_ptr<FoundMarks> batch = queue.empty_batch();
      candidates = find_chapter_marks(
          input, [&](std::uint64_t line_number, std::string_view text, std::size_t number_length, bool keep) {
            if (batch->texts.size() >= kBatchTextBytes) {
              if (!queue.send(std::move(batch))) return false;
              batch = queue.empty_batch();
            }
            batch->texts.append(text);
            batch->marks.push_back(FoundMark{line_number, text.size(), number_length, keep});
            return true;
          });
      // (A batch refused by a receiver that stopped is gone.)
      if (batch != nullptr && !batch->marks.empty()) queue.send(std::move(batch));
    } catch (...) {
      queue.close();
      throw;
    }
    queue.close();
  });
  if (!beside) {
    // No thread to be had: the lines are read and the rows added in turn.
    return find_chapter_marks(
        input, [&](std::uint64_t line_number, std::string_view text, std::size_t number_length, bool keep) {
          add_chapter_mark(table, renumbering, line_number, text, number_length, keep);
          return true;
        });
  }
  try {
    while (std::unique_ptr<FoundMarks> batch = queue.receive()) {
      const std::string_view texts = batch->texts;
      std::size_t at = 0;
      for (const FoundMark& mark : batch->marks) {
        add_chapter_mark(table, renumbering, mark.line_number, texts.substr(at, mark.text_size),
                         mark.number_length, mark.keep);
        at += mark.text_size;
      }
      batch->texts.clear();
      batch->marks.clear();
      queue.give_back(std::move(batch));
    }
  } catch (...) {
    queue.stop();  // the reader stops at its next mark; leaving, this waits for it
    throw;
  }
  reader.wait();  // throws again what the reader threw
  return candidates;
}

}  // namespace kestram

// Supplementation mode over arbitrary bytes, with an injected clock: the
// recognition and renumbering with step 0, then the indentation pass with the
// supplementer as its hooks, in memory.
//
// Input: byte 0 the number of extra lines (0 to 7; with the top bit set an
// absurd number, whose text the run refuses before the pass when any chapter
// gets an identification line), bytes 1-3 the hour, minute and second as the
// clock gives them (any value), then the start chapter up to the first LF,
// then the document.
//
// Beyond "no crash": the output holds every input line plus, for each
// identification line, that line and its extra lines; identification lines
// only from the start chapter on; its size is the one known before the pass.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/clock.h"
#include "restructure/chapter_scan.h"
#include "restructure/renumber.h"
#include "restructure/indent_pass.h"
#include "restructure/supplement.h"
#include "text/lines.h"

namespace kestram {
namespace {

class FixedClock : public Clock {
 public:
  explicit FixedClock(TimeOfDay time) : time_(time) {}
  TimeOfDay now() const override { return time_; }

 private:
  TimeOfDay time_;
};

std::uint64_t line_count(std::string_view text) {
  LineReader reader = LineReader::from_memory(text);
  std::string_view line;
  while (reader.next(line)) {
  }
  return reader.line_number();
}

}  // namespace
}  // namespace kestram

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestram;
  if (size < 4) return 0;
  const bool absurd = (data[0] & 0x80) != 0;
  const std::int64_t extra_lines = absurd ? INT64_MAX - data[0] : data[0] % 8;
  TimeOfDay time;
  time.hour = static_cast<std::int8_t>(data[1]);
  time.minute = data[2];
  time.second = static_cast<std::int8_t>(data[3]) * 1000;
  std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
  const std::size_t newline = rest.find('\n');
  if (newline == std::string_view::npos) return 0;
  const std::string start_chapter(rest.substr(0, newline));
  const std::string_view document = rest.substr(newline + 1);

  LineReader input = LineReader::from_memory(document);
  ChapterTable table;
  const std::uint64_t candidates = scan_chapter_marks(input, table);
  if (candidates == 0) return 0;
  table.set_candidate_count(candidates);
  renumber_chapters(table, 0);

  bool start_exists = false;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row)
    start_exists = start_exists || (!start_chapter.empty() && table.chapter_number(row) == start_chapter);

  // The size known before the pass; the run refuses an absurd one.
  LineReader look_ahead = LineReader::from_memory(document);
  const std::uint64_t added_bytes = identification_bytes(table, start_chapter, extra_lines, look_ahead);
  const std::uint64_t indented_size = indented_text_size(table, "");
  if (absurd) {
    FUZZ_CHECK(added_bytes == 0 || added_bytes >= (std::uint64_t{1} << 62));
    if (added_bytes != 0) return 0;
  }

  const FixedClock clock(time);
  LineReader work_copy = LineReader::from_memory(document);
  Supplementer supplementer(start_chapter, extra_lines, work_copy, clock);
  std::string out;
  StringSink sink(out);
  Indenter indenter(table, "", sink, &supplementer);
  LineReader again = LineReader::from_memory(document);
  std::string_view line;
  while (again.next(line)) indenter.write_line(line);
  indenter.finish();
  const std::uint64_t added = supplementer.identification_lines_written();
  FUZZ_CHECK(out.size() == indented_size + added_bytes);
  if (absurd) {
    FUZZ_CHECK(added == 0);
    return 0;
  }

  FUZZ_CHECK(supplementer.start_reached() == start_exists);
  if (!start_exists) FUZZ_CHECK(added == 0);
  FUZZ_CHECK(added <= table.chapter_count());
  FUZZ_CHECK(line_count(out) == line_count(document) + added * (1 + static_cast<std::uint64_t>(extra_lines)));
  return 0;
}

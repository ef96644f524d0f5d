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

#include "fuzz_common.h"
#include "platform/clock.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "restructure/supplement.h"

using namespace kestram;

namespace {

struct FixedClock : Clock {
  TimeOfDay time;
  TimeOfDay now() const override { return time; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const bool absurd = (data[0] & 0x80) != 0;
  const std::int64_t extra_lines = absurd ? INT64_MAX - data[0] : data[0] % 8;
  FixedClock clock;
  clock.time = {static_cast<std::int8_t>(data[1]), data[2], static_cast<std::int8_t>(data[3]) * 1000};
  const std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
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
  const bool start_exists = !start_chapter.empty() && table.first_row_with_chapter_number(start_chapter) != 0;

  // The size known before the pass; the run refuses an absurd one.
  LineReader look_ahead = LineReader::from_memory(document);
  const std::uint64_t added_bytes = identification_bytes(table, start_chapter, extra_lines, look_ahead);
  if (absurd) {
    FUZZ_CHECK(added_bytes == 0 || added_bytes >= (std::uint64_t{1} << 62));
    if (added_bytes != 0) return 0;
  }

  LineReader work_copy = LineReader::from_memory(document);
  Supplementer supplementer(start_chapter, extra_lines, work_copy, clock);
  std::string out;
  StringSink sink(out);
  Indenter indenter(table, "", sink, &supplementer);
  for (std::string_view line : lines_of(document)) indenter.write_line(line);
  indenter.finish();
  const std::uint64_t added = supplementer.identification_lines_written();
  FUZZ_CHECK(out.size() == indented_text_size(table, "") + added_bytes);
  FUZZ_CHECK(absurd || supplementer.start_reached() == start_exists);
  FUZZ_CHECK(added <= (start_exists && !absurd ? table.chapter_count() : 0));
  FUZZ_CHECK(lines_of(out).size() == lines_of(document).size() + added * (1 + static_cast<std::uint64_t>(extra_lines)));
  return 0;
}

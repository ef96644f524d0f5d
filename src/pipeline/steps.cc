#include "pipeline/steps.h"

#include <string>

#include "pipeline/space_check.h"
#include "pipeline/work_copy.h"
#include "restructure/chapter_list.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "restructure/supplement.h"
#include "run/output_check.h"
#include "text/lines.h"

namespace kestram {

Flow recognise_chapters(Platform& platform, RunState& state) {
  Console& console = platform.console;
  Beside work_copy;
  state.work_copy_made = start_work_copy(work_copy, console, platform.shell, state.input_file_name);

  const std::uint64_t candidates =
      scan_and_renumber(state.input_file_name, state.chapter_table, state.indent_increment);
  work_copy.wait();
  if (candidates == 0) return end_for(console, kNoChapterMarkMessage);
  state.base_name = base_name_of(state.input_file_name);
  return Flow::kGoOn;
}

std::uint64_t scan_and_renumber(const std::string& input_file_name, ChapterTable& table,
                                std::int64_t indent_increment) {
  // A row's number depends only on the rows before it, so the renumbering
  // works a block of rows behind the scan.
  RowsReady ready;
  Beside renumbering;
  renumbering.start([&] { renumber_chapters(table, indent_increment, &ready); });
  std::uint64_t candidates = 0;
  try {
    LineReader input(input_file_name);
    candidates = scan_chapter_marks(input, table, &ready);
  } catch (...) {
    ready.close();
    throw;
  }
  ready.close();
  renumbering.wait();
  table.set_candidate_count(candidates);
  return candidates;
}

Flow end_for(Console& console, std::string_view message) {
  print_empty_line(console);
  print_line(console, message);
  return pause_then_end(console, "<...> any key for continue, end");
}

std::string indented_text_refusal(const RunState& state, const std::string& name, std::uint64_t extra_bytes) {
  const std::uint64_t size = indented_text_size(state.chapter_table, state.org_unit_code);
  const std::uint64_t needed = size > UINT64_MAX - extra_bytes ? UINT64_MAX : size + extra_bytes;
  return space_refusal(name, needed, space_for(name));
}

Flow check_indented_text_fits(Console& console, const RunState& state, std::uint64_t extra_bytes) {
  const std::string refusal = indented_text_refusal(state, indented_file_name(state.base_name), extra_bytes);
  return refusal.empty() ? Flow::kGoOn : end_for(console, refusal);
}

void list_chapters(Console& console, const RunState& state, LineWriter& chapters_file) {
  print_chapter_list(state.chapter_table, console.width(), [&console](std::string_view line) { print_line(console, line); });
  write_chapters_file(state.chapter_table, chapters_file);
}

std::string write_supplemented_text(const RunState& state, std::string start_chapter, std::int64_t extra_lines,
                                    const std::string& work_copy_name, const std::string& out_name,
                                    const Clock& clock) {
  LineReader input(state.input_file_name);
  LineReader work_copy(work_copy_name);
  LineWriter out(out_name);
  Supplementer supplementer(std::move(start_chapter), extra_lines, work_copy, clock);
  Indenter indenter(state.chapter_table, state.org_unit_code, out, &supplementer);
  feed_lines(input, indenter);
  out.close();
  return out.ok() ? "" : out.error();
}

Flow supplement_chapter_marks(Platform& platform, RunState& state) {
  if (state.indent_increment != 0) return Flow::kGoOn;
  Console& console = platform.console;
  const std::string chapters_name = chapters_file_name(state.base_name);
  LineWriter chapters(chapters_name);
  list_chapters(console, state, chapters);
  close_and_report(console, chapters_name, chapters);
  // A fresh work copy: the supplementation reads the input as the user gave
  // it from there.
  Beside fresh_copy;
  if (state.work_copy_made) start_work_copy(fresh_copy, console, platform.shell, state.input_file_name);
  fresh_copy.wait();
  for (std::string_view line : kSupplementIntroLines) print_line(console, line);
  std::string start_chapter = ask_text(console, kStartChapterPrompt);
  print_empty_line(console);
  const std::int64_t extra_lines = ask_number(console, kExtraLineCountPrompt);

  {
    LineReader look_ahead(kWorkCopyName);
    const std::uint64_t added = identification_bytes(state.chapter_table, start_chapter, extra_lines, look_ahead);
    if (check_indented_text_fits(console, state, added) == Flow::kEndRun) return Flow::kEndRun;
  }
  const std::string indented_name = indented_file_name(state.base_name);
  report_write_failure(console, indented_name,
                       write_supplemented_text(state, std::move(start_chapter), extra_lines, kWorkCopyName,
                                               indented_name, platform.clock));

  for (const std::string& closing : supplement_closing_lines(indented_name)) print_line(console, closing);
  return pause_then_end(console, kSupplementEndMessage);
}

}  // namespace kestram

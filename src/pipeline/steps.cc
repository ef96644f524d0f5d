#include "pipeline/steps.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "restructure/chapter_list.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "restructure/supplement.h"
#include "run/command_line.h"
#include "run/output_check.h"
#include "text/lines.h"

namespace kestram {
namespace {

constexpr char kWorkCopyName[] = "sour_in.txt";

}  // namespace

// A directory under the work copy's name would take the copy inside it, and
// anything else that is no plain file would be written through.
bool make_work_copy(Console& console, Shell& shell, const std::string& input_file_name) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::symlink_status(kWorkCopyName, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    print_line(console, std::string("cannot write ") + kWorkCopyName + ": " +
                            (std::filesystem::is_directory(status) ? "Is a directory" : "not a plain file"));
    return false;
  }
  shell.run("copy " + command_word(input_file_name) + " " + kWorkCopyName + " > out.list");
  return true;
}

Flow recognise_chapters(Platform& platform, RunState& state) {
  Console& console = platform.console;
  state.work_copy_made = make_work_copy(console, platform.shell, state.input_file_name);

  ChapterTable& table = state.chapter_table;
  LineReader input(state.input_file_name);
  const std::uint64_t candidates = scan_chapter_marks(input, table);
  if (candidates == 0) {
    print_empty_line(console);
    print_line(console, kNoChapterMarkMessage);
    return pause_then_end(console, "<...> any key for continue, end");
  }
  table.set_candidate_count(candidates);
  renumber_chapters(table, state.indent_increment);

  state.base_name = base_name_of(state.input_file_name);
  print_chapter_list(table, console.width(), [&console](std::string_view line) { print_line(console, line); });
  const std::string chapters_name = chapters_file_name(state.base_name);
  LineWriter chapters(chapters_name);
  write_chapters_file(table, chapters);
  close_and_report(console, chapters_name, chapters);
  return Flow::kGoOn;
}

Flow supplement_chapter_marks(Platform& platform, RunState& state) {
  if (state.indent_increment != 0) return Flow::kGoOn;
  Console& console = platform.console;
  // A fresh work copy: the supplementation reads the input as the user gave
  // it from there.
  if (state.work_copy_made) make_work_copy(console, platform.shell, state.input_file_name);
  for (std::string_view line : kSupplementIntroLines) print_line(console, line);
  std::string start_chapter = ask_text(console, kStartChapterPrompt);
  print_empty_line(console);
  const std::int64_t extra_lines = ask_number(console, kExtraLineCountPrompt);

  const std::string indented_name = indented_file_name(state.base_name);
  LineReader input(state.input_file_name);
  LineReader work_copy(kWorkCopyName);
  LineWriter out(indented_name);
  Supplementer supplementer(std::move(start_chapter), extra_lines, work_copy, platform.clock);
  Indenter indenter(state.chapter_table, state.org_unit_code, out, &supplementer);
  std::string_view line;
  while (input.next(line)) indenter.write_line(line);
  if (!indenter.refusal().empty()) out.fail(indenter.refusal());
  close_and_report(console, indented_name, out);

  for (const std::string& closing : supplement_closing_lines(indented_name)) print_line(console, closing);
  return pause_then_end(console, kSupplementEndMessage);
}

}  // namespace kestram

#include "run/restructure_steps.h"

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "restructure/chapter_list.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "restructure/supplement.h"
#include "run/command_line.h"
#include "run/output_check.h"
#include "run/render_steps.h"
#include "text/lines.h"
#include "text/side_work.h"

namespace kestram {
namespace {

constexpr char kWorkCopyName[] = "sour_in.txt";

// Starts copying the input to the work copy; the copy runs while the input
// is read, and state.work_copy.wait() must come before the console, the shell
// or the work copy are used again. A directory under the work copy's name
// would take the copy inside it, and anything else that is no plain file
// would be written through; either is reported, and the copy left out.
// False when it was left out.
bool copy_to_work_copy(Console& console, Shell& shell, RunState& state) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::symlink_status(kWorkCopyName, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    print_line(console, std::string("cannot write ") + kWorkCopyName + ": " +
                            (std::filesystem::is_directory(status) ? "Is a directory" : "not a plain file"));
    return false;
  }
  state.work_copy.start(shell, "copy " + command_word(state.input_file_name) + " " + kWorkCopyName + " > out.list");
  return true;
}

}  // namespace

Flow recognise_chapters(Platform& platform, RunState& state) {
  Console& console = platform.console;
  state.work_copy_made = copy_to_work_copy(console, platform.shell, state);

  auto input = std::make_unique<LineReader>(state.input_file_name);
  ChapterTable& table = state.chapter_table;
  const std::uint64_t candidates = scan_chapter_marks(*input, table);
  state.work_copy.wait();
  if (candidates == 0) {
    print_empty_line(console);
    print_line(console, "The file does not have a chapter marked.");
    return pause_then_end(console, "<...> any key for continue, end");
  }
  table.set_candidate_count(candidates);
  renumber_chapters(table, state.indent_increment);

  state.base_name = base_name_of(state.input_file_name);
  const std::string chapters_name = chapters_file_name(state.base_name);
  LineWriter chapters(chapters_name);
  // The chapters file is written while the list is shown: both only read
  // the table.
  SideWork chapters_writer;
  chapters_writer.start([&table, &chapters] { write_chapters_file(table, chapters); });
  print_chapter_list(table, console.width(), [&console](std::string_view line) { print_line(console, line); });
  if (state.indent_increment != 0) count_side_contents(state);
  chapters_writer.wait();
  close_and_report(console, chapters_name, chapters);
  state.scanned_input = std::move(input);
  return Flow::kGoOn;
}

Flow write_indented_text_file(Platform& platform, RunState& state) {
  Console& console = platform.console;
  // A fresh work copy for the supplementation, made while the text is indented.
  if (state.work_copy_made) copy_to_work_copy(console, platform.shell, state);
  const std::string indented_name = indented_file_name(state.base_name);
  std::unique_ptr<LineReader> input = std::move(state.scanned_input);
  if (input == nullptr || !input->rewind()) input = std::make_unique<LineReader>(state.input_file_name);
  LineWriter out(indented_name);

  if (state.indent_increment != 0) {
    write_indented_text_and_page(platform, state, *input, indented_name, out);
    return Flow::kGoOn;
  }

  state.work_copy.wait();
  for (std::string_view line : kSupplementIntroLines) print_line(console, line);
  std::string start_chapter = ask_text(console, kStartChapterPrompt);
  print_empty_line(console);
  const std::int64_t extra_lines = ask_number(console, kExtraLineCountPrompt);

  LineReader work_copy(kWorkCopyName);
  Supplementer supplementer(std::move(start_chapter), extra_lines, work_copy, platform.clock);
  write_indented_text(*input, state.chapter_table, state.org_unit_code, out, &supplementer);
  close_and_report(console, indented_name, out);

  for (const std::string& line : supplement_closing_lines(indented_name)) print_line(console, line);
  return pause_then_end(console, kSupplementEndMessage);
}

}  // namespace kestram

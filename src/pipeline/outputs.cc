#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "html/companion_text.h"
#include "html/page_frame.h"
#include "pipeline/outputs.h"
#include "pipeline/steps.h"
#include "pipeline/threaded_sink.h"
#include "restructure/indent_pass.h"
#include "run/output_check.h"
#include "run/product.h"
#include "text/lines.h"

namespace kestram {

OutputNames output_names(std::string_view base_name) {
  return OutputNames{indented_file_name(base_name), html_file_name(base_name), table_file_name(base_name),
                     companion_file_name(base_name)};
}

bool one_read_serves(const RunState& state, const OutputNames& names) {
  if (state.org_unit_code.find_first_of("\r\n") != std::string::npos) return false;
  const ChapterTable& table = state.chapter_table;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    if (table.indent_blanks(row) > kMaxIndentBlanks) return false;
    if (state.toc_flag > 0 && table.mark_line_text(row).empty()) return false;
  }
  const std::string files[] = {state.input_file_name, names.indented, names.page, names.table, names.companion};
  for (std::size_t i = 0; i < std::size(files); ++i)
    for (std::size_t j = i + 1; j < std::size(files); ++j) {
      std::error_code ec;
      if (files[i] == files[j] || std::filesystem::equivalent(files[i], files[j], ec)) return false;
    }
  return true;
}

namespace {

// Hands every line of the reader to the sink, then the end.
void feed(LineReader& reader, LineSink& sink) {
  std::string_view line;
  while (reader.next(line)) sink.write_line(line);
  sink.finish();
}

// The indented text alone, from the input.
void write_indented_text(const RunState& state, const std::string& name, std::string& failure) {
  LineReader input(state.input_file_name);
  LineWriter file(name);
  Indenter indenter(state.chapter_table, state.org_unit_code, file);
  feed(input, indenter);
  if (!indenter.refusal().empty()) file.fail(indenter.refusal());
  failure = file.ok() ? "" : file.error();
}

// The table work file: the lines of the page's last table block, if any.
void write_table_file(const Page& page, const std::string& name, std::string& failure) {
  failure.clear();
  const TableBlockLines* block = page.last_table_block();
  if (block == nullptr) return;
  LineWriter file(name);
  for (std::size_t i = 0; i < block->size(); ++i) file.write_line((*block)[i]);
  file.close();
  failure = file.ok() ? "" : file.error();
}

// The page alone, from the indented text file.
void write_page(const RunState& state, const OutputNames& names, std::string& failure, std::string& table_failure) {
  LineReader indented(names.indented);
  LineWriter file(names.page);
  Page page(state.chapter_table, file);
  if (state.toc_flag > 0) {
    LineReader headings(names.indented);
    page.begin_contents();
    add_contents_from_text(headings, state.chapter_table, page);
    page.end_contents();
  }
  feed(indented, page);
  write_table_file(page, names.table, table_failure);
  failure = file.ok() ? "" : file.error();
}

// The companion text alone, from the page file.
void write_companion_text(const OutputNames& names, std::string& failure) {
  LineReader page(names.page);
  LineWriter file(names.companion);
  CompanionFilter filter(file);
  feed(page, filter);
  failure = file.ok() ? "" : file.error();
}

// The page with the companion text made from its lines. Kept apart from the
// objects of the thread that feeds it, so that the two threads never write to
// one cache line.
struct alignas(64) PageWithCompanion {
  PageWithCompanion(const ChapterTable& table, const OutputNames& names)
      : page_file(names.page), companion_file(names.companion), companion(companion_file),
        page_lines(page_file, companion), page(table, page_lines) {}
  LineWriter page_file;
  LineWriter companion_file;
  CompanionFilter companion;
  Tee page_lines;
  Page page;
};

}  // namespace

void write_from_one_read(const RunState& state, const OutputNames& names, Failures& failures) {
  const ChapterTable& table = state.chapter_table;
  {
    LineReader input(state.input_file_name);
    LineWriter indented(names.indented);
    auto page = std::make_unique<PageWithCompanion>(table, names);
    if (state.toc_flag > 0) {
      page->page.begin_contents();
      add_contents_from_table(table, state.org_unit_code, page->page);
      page->page.end_contents();
    }
    // The page and the companion text are written on a thread of their own
    // while the input is read and indented.
    auto page_thread = std::make_unique<ThreadedSink>(page->page);
    Tee indented_lines(indented, *page_thread);
    Indenter indenter(table, state.org_unit_code, indented_lines);
    feed(input, indenter);
    write_table_file(page->page, names.table, failures.table);
    failures.indented = indented.ok() ? "" : indented.error();
    failures.page = page->page_file.ok() ? "" : page->page_file.error();
    failures.companion = page->companion_file.ok() ? "" : page->companion_file.error();
  }
  if (!failures.indented.empty()) write_page(state, names, failures.page, failures.table);
  if (!failures.indented.empty() || !failures.page.empty()) write_companion_text(names, failures.companion);
}

void write_file_by_file(const RunState& state, const OutputNames& names, Failures& failures) {
  write_indented_text(state, names.indented, failures.indented);
  write_page(state, names, failures.page, failures.table);
  write_companion_text(names, failures.companion);
}

Flow write_outputs(Platform& platform, RunState& state) {
  Console& console = platform.console;
  if (state.work_copy_made) make_work_copy(console, platform.shell, state.input_file_name);
  const OutputNames names = output_names(state.base_name);
  state.html_file_name = names.page;

  Failures failures;
  if (one_read_serves(state, names)) {
    write_from_one_read(state, names, failures);
  } else {
    write_file_by_file(state, names, failures);
  }

  report_write_failure(console, names.indented, failures.indented);
  print_line(console, "====================");
  print_line(console, "output files:");
  print_empty_line(console);
  print_line(console, names.indented);
  print_line(console, names.page);
  print_empty_line(console);
  print_line(console, "details: " + std::string(kProductAddress));
  report_write_failure(console, names.table, failures.table);
  report_write_failure(console, names.page, failures.page);
  report_write_failure(console, names.companion, failures.companion);
  print_empty_line(console);
  return Flow::kGoOn;
}

}  // namespace kestram

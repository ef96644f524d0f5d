#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "html/companion_text.h"
#include "html/page_frame.h"
#include "pipeline/outputs.h"
#include "pipeline/steps.h"
#include "pipeline/threaded_sink.h"
#include "pipeline/work_copy.h"
#include "restructure/chapter_list.h"
#include "restructure/indent_pass.h"
#include "run/output_check.h"
#include "run/product.h"
#include "text/lines.h"

namespace kestram {

OutputNames output_names(std::string_view base_name) {
  return OutputNames{chapters_file_name(base_name), indented_file_name(base_name), html_file_name(base_name),
                     table_file_name(base_name), companion_file_name(base_name)};
}

namespace {

bool is_link(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(name, ec));
}

// Whether two names name one file (through links or other names).
bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return a == b || std::filesystem::equivalent(a, b, ec);
}

}  // namespace

bool one_read_serves(const RunState& state, const OutputNames& names) {
  if (state.org_unit_code.find_first_of("\r\n") != std::string::npos) return false;
  const ChapterTable& table = state.chapter_table;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row)
    if (state.toc_flag > 0 && table.mark_line_text(row).empty()) return false;
  const std::string files[] = {state.input_file_name, names.chapters, names.indented,
                               names.page,             names.table,    names.companion};
  for (std::size_t i = 0; i < std::size(files); ++i) {
    // A link, even to a file not made yet, may lead to another file of the run.
    if (i > 0 && is_link(files[i])) return false;
    for (std::size_t j = i + 1; j < std::size(files); ++j)
      if (same_file(files[i], files[j])) return false;
  }
  return true;
}

namespace {

std::string failure_of(const LineWriter& file) { return file.ok() ? "" : file.error(); }

// Whether the companion text goes to a file of its own: no link, and none
// of the other files that the page step writes or reads.
bool companion_is_own_file(const OutputNames& names) {
  if (is_link(names.companion) || is_link(names.table)) return false;
  for (const std::string& other : {names.indented, names.page, names.table})
    if (same_file(other, names.companion)) return false;
  return true;
}

// The page's stages and files: the page, and the companion text made from
// its lines (when `with_companion`). Kept apart from the objects of a thread
// that feeds it, so that two threads never write to one cache line.
class alignas(64) PageFiles {
 public:
  PageFiles(const ChapterTable& table, const OutputNames& names, bool with_companion) : page_file_(names.page) {
    LineSink* out = &page_file_;
    if (with_companion) {
      companion_file_ = std::make_unique<LineWriter>(names.companion);
      companion_ = std::make_unique<CompanionFilter>(*companion_file_);
      both_ = std::make_unique<Tee>(page_file_, *companion_);
      out = both_.get();
    }
    page_ = std::make_unique<Page>(table, *out);
  }

  Page& page() { return *page_; }

  // Once the page is finished: the table work file, and what became of
  // each file.
  void settle(const OutputNames& names, Failures& failures) {
    failures.table.clear();
    if (const TableBlockLines* block = page_->last_table_block()) {
      LineWriter table_file(names.table);
      for (std::size_t i = 0; i < block->size(); ++i) table_file.write_line((*block)[i]);
      table_file.close();
      failures.table = failure_of(table_file);
    }
    failures.page = failure_of(page_file_);
    // A companion text made from lines that did not all reach the page file
    // is made again from the file.
    if (companion_file_ == nullptr || !failures.page.empty()) {
      LineReader page_file(names.page);
      LineWriter file(names.companion);
      CompanionFilter filter(file);
      feed_lines(page_file, filter);
      failures.companion = failure_of(file);
    } else {
      failures.companion = failure_of(*companion_file_);
    }
  }

 private:
  LineWriter page_file_;
  std::unique_ptr<LineWriter> companion_file_;
  std::unique_ptr<CompanionFilter> companion_;
  std::unique_ptr<Tee> both_;
  std::unique_ptr<Page> page_;
};

// The page and the companion text from the indented text file.
void write_page_from_file(const RunState& state, const OutputNames& names, Failures& failures) {
  LineReader indented(names.indented);
  PageFiles files(state.chapter_table, names, companion_is_own_file(names));
  if (state.toc_flag > 0) {
    LineReader headings(names.indented);
    files.page().begin_contents();
    add_contents_from_text(headings, state.chapter_table, files.page());
    files.page().end_contents();
  }
  feed_lines(indented, files.page());
  files.settle(names, failures);
}

}  // namespace

void write_from_one_read(const RunState& state, const OutputNames& names, Failures& failures) {
  const ChapterTable& table = state.chapter_table;
  LineReader input(state.input_file_name);
  LineWriter indented(names.indented);
  auto files = std::make_unique<PageFiles>(table, names, true);
  if (state.toc_flag > 0) {
    files->page().begin_contents();
    add_contents_from_table(table, state.org_unit_code, files->page());
    files->page().end_contents();
  }
  {
    // The page and the companion text are written on a thread of their own
    // while the input is read and indented.
    auto page_thread = std::make_unique<ThreadedSink>(files->page());
    Tee both(indented, *page_thread);
    Indenter indenter(table, state.org_unit_code, both);
    feed_lines(input, indenter);
  }
  failures.indented = failure_of(indented);
  // A page made from lines that did not all reach the indented text file is
  // made again from the file.
  if (!failures.indented.empty()) {
    files.reset();
    write_page_from_file(state, names, failures);
    return;
  }
  files->settle(names, failures);
}

void write_file_by_file(const RunState& state, const OutputNames& names, Failures& failures) {
  {
    LineReader input(state.input_file_name);
    LineWriter indented(names.indented);
    Indenter indenter(state.chapter_table, state.org_unit_code, indented);
    feed_lines(input, indenter);
    failures.indented = failure_of(indented);
  }
  write_page_from_file(state, names, failures);
}

Flow write_outputs(Platform& platform, RunState& state) {
  Console& console = platform.console;
  if (check_indented_text_fits(console, state) == Flow::kEndRun) return Flow::kEndRun;
  const OutputNames names = output_names(state.base_name);
  state.html_file_name = names.page;
  // The chapter list is printed and its file written, and then a fresh work
  // copy made, while the outputs are written: they only read the chapter
  // table and the input. When an output's name leads to another file,
  // perhaps the input, the outputs wait for them.
  LineWriter chapters(names.chapters);
  Beside work_copy;  // started by the listing, so it outlives it
  Beside listing;
  listing.start([&] {
    list_chapters(console, state, chapters);
    close_and_report(console, names.chapters, chapters);
    if (state.work_copy_made) start_work_copy(work_copy, console, platform.shell, state.input_file_name);
  });

  Failures failures;
  if (one_read_serves(state, names)) {
    write_from_one_read(state, names, failures);
  } else {
    listing.wait();
    work_copy.wait();
    write_file_by_file(state, names, failures);
  }
  listing.wait();
  work_copy.wait();

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

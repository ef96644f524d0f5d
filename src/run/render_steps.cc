#include "run/render_steps.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "html/companion_text.h"
#include "html/body_line.h"
#include "html/body_pipe.h"
#include "html/page_frame.h"
#include "restructure/indent_pass.h"
#include "run/output_check.h"
#include "run/product.h"
#include "text/lines.h"
#include "text/side_work.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

// Whether the lines that go to the indented text are those that the page
// step would read back from it, so that the page can be written on the way.
// An indentation too wide for the pass ends the indented text early, and a
// CR in the unit code would read back as a line end; two of the files being
// one (through links) would have one file's writing show in another. A
// chapter-mark line the table did not keep (a very long one) leaves the
// contents to the page step.
bool page_can_follow_indentation(const RunState& state, const std::vector<std::string>& names) {
  if (state.org_unit_code.find_first_of("\r\n") != std::string::npos) return false;
  const ChapterTable& table = state.chapter_table;
  // The contents come from the chapter-mark lines the table keeps.
  for (std::size_t row = 1; row <= table.chapter_count(); ++row)
    if (table.indent_blanks(row) > kMaxIndentBlanks || table.mark_line_text(row).empty()) return false;
  for (std::size_t i = 0; i < names.size(); ++i)
    for (std::size_t j = i + 1; j < names.size(); ++j) {
      std::error_code ec;
      if (fs::equivalent(names[i], names[j], ec) || names[i] == names[j]) return false;
    }
  return true;
}

// From this many chapters on, the contents entries are written on a thread
// of their own: below, starting it costs more than the entries.
constexpr std::size_t kChaptersForSideContents = 4096;

// The entries of the table of contents, written on a thread of their own
// into the parts that the page and the companion text left for them, while
// the body is written behind the parts. Both parts take the same bytes,
// since no entry is a frame line.
class SideContents {
 public:
  // `companion_name` empty: only the page has a part.
  SideContents(const ChapterTable& table, std::string_view org_unit_code, const std::string& page_name,
               std::uint64_t page_at, const std::string& companion_name, std::uint64_t companion_at,
               std::uint64_t size) {
    thread_.start([=, &table] {
      complete_ = write(table, org_unit_code, page_name, page_at, companion_name, companion_at, size);
    });
  }
  SideContents(const SideContents&) = delete;
  SideContents& operator=(const SideContents&) = delete;

  // Waits for the entries (and throws again what their writing threw).
  // True when each part took exactly them.
  bool finish() {
    thread_.wait();
    return complete_;
  }

 private:
  static bool write(const ChapterTable& table, std::string_view org_unit_code, const std::string& page_name,
                    std::uint64_t page_at, const std::string& companion_name, std::uint64_t companion_at,
                    std::uint64_t size) {
    LineWriter page = LineWriter::into_part(page_name, page_at);
    if (companion_name.empty()) {
      write_contents_from_table(table, org_unit_code, page);
      return page.close() && page.bytes_written() == page_at + size;
    }
    LineWriter companion = LineWriter::into_part(companion_name, companion_at);
    write_contents_from_table(table, org_unit_code, page, &companion);
    const bool page_complete = page.close() && page.bytes_written() == page_at + size;
    return companion.close() && companion.bytes_written() == companion_at + size && page_complete;
  }

  bool complete_ = false;
  SideWork thread_;
};

// Leaves the parts for the contents entries in the page and the companion
// text and starts writing them, or returns null when the page cannot leave
// one (it has failed). A companion text that has failed gets no part.
std::unique_ptr<SideContents> start_side_contents(const RunState& state, const std::string& page_name,
                                                  LineWriter& page, const std::string& companion_name,
                                                  LineWriter& companion) {
  const ChapterTable& table = state.chapter_table;
  const std::string_view org_unit_code = state.org_unit_code;
  const std::uint64_t size = state.side_contents_size ? *state.side_contents_size
                                                      : contents_from_table_size(table, org_unit_code);
  std::uint64_t page_at = 0;
  if (!page.leave_part(size, page_at)) return nullptr;
  std::uint64_t companion_at = 0;
  const bool with_companion = companion.leave_part(size, companion_at);
  return std::make_unique<SideContents>(table, org_unit_code, page_name, page_at,
                                        with_companion ? companion_name : std::string(), companion_at, size);
}

// Whether a closed file holds exactly what was written to it: a plain file
// of that size (nothing outside this run wrote to it meanwhile).
bool holds_what_was_written(const std::string& name, const LineWriter& file) {
  std::error_code ec;
  if (!file.ok() || !fs::is_regular_file(fs::status(name, ec))) return false;
  const std::uintmax_t size = fs::file_size(name, ec);
  return !ec && size == file.bytes_written();
}

}  // namespace

void write_indented_text_and_page(Platform& platform, RunState& state, LineReader& input,
                                  const std::string& indented_name, LineWriter& indented) {
  Console& console = platform.console;
  const ChapterTable& table = state.chapter_table;
  const std::string page_name = html_file_name(state.base_name);
  const std::string table_name = table_file_name(state.base_name);
  const std::string companion_name = companion_file_name(state.base_name);
  if (!page_can_follow_indentation(
          state, {state.input_file_name, indented_name, page_name, table_name, companion_name})) {
    write_indented_text(input, table, state.org_unit_code, indented, nullptr);
    state.work_copy.wait();
    close_and_report(console, indented_name, indented);
    return;
  }

  LineWriter page(page_name);
  LineWriter companion(companion_name);
  CompanionFilter companion_lines(companion);
  page.observe_lines(&companion_lines);
  write_page_opening(page);
  std::unique_ptr<SideContents> side_contents;
  if (state.toc_flag > 0)
    write_contents_section(
        [&](LineWriter& out) {
          if (table.chapter_count() >= kChaptersForSideContents) {
            side_contents = start_side_contents(state, page_name, out, companion_name, companion);
            if (side_contents != nullptr) return;
          }
          // An entry's text is escaped and its tags are "b" and "a": no
          // entry is a frame line.
          companion_lines.set_keep_all(true);
          write_contents_from_table(table, state.org_unit_code, out);
          companion_lines.set_keep_all(false);
        },
        page);
  BodyWriter body(table, page);
  body.set_companion(&companion, &companion_lines);
  BodyPipe body_lines(body);
  indented.observe_lines(&body_lines);
  write_indented_text(input, table, state.org_unit_code, indented, nullptr, &body_lines);
  indented.observe_lines(nullptr);
  body_lines.finish();
  std::string table_error;
  body.finish([&table_name]() { return LineWriter(table_name); },
              [&table_error](const LineWriter& file) { table_error = file.ok() ? "" : file.error(); });
  write_page_closing(page);
  page.observe_lines(nullptr);
  const bool contents_complete = side_contents == nullptr || side_contents->finish();

  state.work_copy.wait();
  close_and_report(console, indented_name, indented);
  page.close();
  companion.close();
  // Anything short of the very bytes in the files leaves the page and the
  // companion text to their own steps, which then write them anew.
  if (!body_lines.complete() || !contents_complete || !holds_what_was_written(indented_name, indented)) return;
  state.page_ahead = WrittenAhead{true, page.ok() ? "" : page.error()};
  state.table_file_ahead = WrittenAhead{true, table_error};
  if (companion_lines.complete() && holds_what_was_written(page_name, page))
    state.companion_ahead = WrittenAhead{true, companion.ok() ? "" : companion.error()};
}

void count_side_contents(RunState& state) {
  if (state.toc_flag > 0 && state.chapter_table.chapter_count() >= kChaptersForSideContents)
    state.side_contents_size = contents_from_table_size(state.chapter_table, state.org_unit_code);
}

Flow render_html_page(Platform& platform, RunState& state) {
  Console& console = platform.console;
  const std::string indented_name = indented_file_name(state.base_name);
  state.html_file_name = html_file_name(state.base_name);

  print_line(console, "====================");
  print_line(console, "output files:");
  print_empty_line(console);
  print_line(console, indented_name);
  print_line(console, state.html_file_name);
  print_empty_line(console);
  print_line(console, "details: " + std::string(kProductAddress));

  const std::string table_name = table_file_name(state.base_name);
  if (state.page_ahead.written) {
    report_write_failure(console, table_name, state.table_file_ahead.error);
    report_write_failure(console, state.html_file_name, state.page_ahead.error);
    return Flow::kGoOn;
  }

  LineReader indented(indented_name);
  LineWriter page(state.html_file_name);
  // The companion text is made from the page's lines as they are written,
  // rather than read back from the page later, unless its name leads
  // (through links) to one of the other files this step reads or writes.
  const std::string companion_name = companion_file_name(state.base_name);
  auto is_own_file = [&]() {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(companion_name, ec)) || fs::is_symlink(fs::symlink_status(table_name, ec)))
      return false;
    for (const std::string& other : {indented_name, state.html_file_name, table_name})
      if (other == companion_name || fs::equivalent(other, companion_name, ec)) return false;
    return true;
  };
  std::optional<LineWriter> companion;
  std::optional<CompanionFilter> companion_lines;
  if (is_own_file()) {
    companion.emplace(companion_name);
    companion_lines.emplace(*companion);
    page.observe_lines(&*companion_lines);
  }
  auto open_table_file = [&table_name]() { return LineWriter(table_name); };
  // Every table block writes the work file anew; a failure is told once,
  // at the first block that meets it.
  bool table_failure_told = false;
  auto table_file_closed = [&](const LineWriter& file) {
    if (file.ok() || table_failure_told) return;
    table_failure_told = true;
    report_write_failure(console, table_name, file);
  };
  write_page(indented, state.chapter_table, state.toc_flag > 0, open_table_file, page, table_file_closed);
  page.observe_lines(nullptr);
  close_and_report(console, state.html_file_name, page);
  if (companion) {
    companion->close();
    // Anything short of the very bytes in the page leaves the companion text
    // to its own step, which then writes it anew.
    if (companion_lines->complete() && holds_what_was_written(state.html_file_name, page) &&
        holds_what_was_written(companion_name, *companion))
      state.companion_ahead = WrittenAhead{true, ""};
  }
  return Flow::kGoOn;
}

Flow write_companion_text_file(Platform& platform, RunState& state) {
  const std::string companion_name = companion_file_name(state.base_name);
  if (state.companion_ahead.written) {
    report_write_failure(platform.console, companion_name, state.companion_ahead.error);
    print_empty_line(platform.console);
    return Flow::kGoOn;
  }
  LineReader page(state.html_file_name);
  LineWriter companion(companion_name);
  write_companion_text(page, companion);
  close_and_report(platform.console, companion_name, companion);
  print_empty_line(platform.console);
  return Flow::kGoOn;
}

}  // namespace kestram

#include "run/render_steps.h"

#include <string>

#include "html/companion_text.h"
#include "html/page_frame.h"
#include "restructure/indent_pass.h"
#include "run/output_check.h"
#include "run/product.h"
#include "text/lines.h"

namespace kestram {

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

  LineReader indented(indented_name);
  LineWriter page(state.html_file_name);
  const std::string table_name = table_file_name(state.base_name);
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
  close_and_report(console, state.html_file_name, page);
  return Flow::kGoOn;
}

Flow write_companion_text_file(Platform& platform, RunState& state) {
  const std::string companion_name = companion_file_name(state.base_name);
  LineReader page(state.html_file_name);
  LineWriter companion(companion_name);
  write_companion_text(page, companion);
  close_and_report(platform.console, companion_name, companion);
  print_empty_line(platform.console);
  return Flow::kGoOn;
}

}  // namespace kestram

#include "run/input_selection.h"

#include <string>
#include <vector>

#include "text/lines.h"
#include "text/text.h"

namespace kestram {

Flow select_input(Platform& platform, RunState& state) {
  Console& console = platform.console;
  platform.shell.run("dir /b *.txt | find /i /v \"indent\" > dir_a_01.txt");
  print_empty_line(console);
  print_line(console, "------------------------------");

  // The listing is read once and kept, so nothing can change it between the
  // numbered list and the choice.
  std::vector<std::string> listed_names;
  {
    LineReader listing("dir_a_01.txt");
    std::string_view name;
    while (listing.next(name)) {
      listed_names.emplace_back(name);
      print_line(console, " " + std::to_string(listed_names.size()) + " " + listed_names.back());
    }
  }
  print_line(console, "------------------------------");
  print_empty_line(console);

  const std::int64_t selected = ask_number(console, "select file with line number = ");
  if (selected < 1 || static_cast<std::uint64_t>(selected) > listed_names.size()) {
    print_line(console, "line number is out of range");
    print_empty_line(console);
    return pause_then_end(console, "<...> any key for continue, end");
  }
  print_empty_line(console);

  const std::string increment_answer = ask_text(console, "indent increment (<enter> default = 2) = ");
  const std::string_view increment = trim_blanks(increment_answer);
  state.indent_increment = increment.empty() ? 2 : parse_leading_decimal(increment);

  print_empty_line(console);
  print_line(console, "select option for TOC (table of content) in HTML file");
  state.toc_flag = ask_text(console, "<enter> without TOC, <...> any other key includes TOC = ").empty() ? 0 : 1;

  print_empty_line(console);
  print_line(console, "----------------------------");
  print_line(console,
             "In case you are going to index and compare files of different organizational unit, it makes "
             "sense to add a organizational unit code.");
  print_line(console, "The organizational unit code will be added to the title of each chapter.");
  print_empty_line(console);
  state.org_unit_code = ask_text(console, "Optional additional code of the organizational unit = ");

  state.input_file_name = listed_names[static_cast<std::size_t>(selected - 1)];
  print_empty_line(console);
  print_line(console, "input file: " + state.input_file_name);
  return Flow::kGoOn;
}

}  // namespace kestram

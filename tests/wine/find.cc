// find [/i] [/v] "text" [file...]: the lines that hold the text (or with /v
// do not), each file's after a header line naming it; from standard input
// without a header.
#include <cstdio>
#include <string>
#include <vector>

#include "text_filter.h"

namespace {

using namespace kestram::stand_in;

bool holds(const std::string& line, const std::string& text, bool ignore_case) {
  if (!ignore_case) return line.find(text) != std::string::npos;
  std::string lower_line;
  std::string lower_text;
  for (char c : line) lower_line.push_back(ascii_lower(c));
  for (char c : text) lower_text.push_back(ascii_lower(c));
  return lower_line.find(lower_text) != std::string::npos;
}

void print_matching(const std::vector<std::string>& lines, const std::string& text, bool ignore_case,
                    bool invert) {
  for (const std::string& line : lines)
    if (holds(line, text, ignore_case) != invert) write_line(stdout, line);
}

}  // namespace

int main(int argc, char** argv) {
  use_binary_stdio();
  bool ignore_case = false;
  bool invert = false;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (is_switch(argument, 'i')) {
      ignore_case = true;
    } else if (is_switch(argument, 'v')) {
      invert = true;
    } else if (!argument.empty() && argument[0] == '/') {
      std::fprintf(stderr, "FIND: Invalid switch\n");
      return 2;
    } else {
      operands.push_back(argument);
    }
  }
  if (operands.empty()) {
    std::fprintf(stderr, "FIND: Parameter format not correct\n");
    return 2;
  }
  const std::string text = operands[0];
  if (operands.size() == 1) {
    print_matching(read_lines(stdin), text, ignore_case, invert);
    return 0;
  }
  int status = 0;
  for (std::size_t i = 1; i < operands.size(); ++i) {
    std::vector<std::string> lines;
    if (!read_file_lines(operands[i], lines)) {
      std::fprintf(stderr, "File not found - %s\n", ascii_upper(operands[i]).c_str());
      status = 2;
      continue;
    }
    std::fputs("\r\n", stdout);
    write_line(stdout, "---------- " + ascii_upper(operands[i]));
    print_matching(lines, text, ignore_case, invert);
  }
  return status;
}

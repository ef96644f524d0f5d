// sort [file] [/o outfile]: the lines, ordered without regard to letter case,
// written to outfile or to standard output.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "text_filter.h"

using namespace kestram::stand_in;

int main(int argc, char** argv) {
  use_binary_stdio();
  std::string input;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (is_switch(argument, 'o') && i + 1 < argc) {
      output = argv[++i];
    } else if (!argument.empty() && argument[0] == '/') {
      std::fprintf(stderr, "Invalid switch.\n");
      return 1;
    } else {
      input = argument;
    }
  }
  std::vector<std::string> lines;
  if (input.empty()) {
    lines = read_lines(stdin);
  } else if (!read_file_lines(input, lines)) {
    std::fprintf(stderr, "The system cannot find the file specified.\n");
    return 1;
  }
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(ascii_lower(x)) < static_cast<unsigned char>(ascii_lower(y));
    });
  });
  std::FILE* out = output.empty() ? stdout : std::fopen(output.c_str(), "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "The system cannot find the path specified.\n");
    return 1;
  }
  for (const std::string& line : lines) write_line(out, line);
  if (out != stdout) std::fclose(out);
  return 0;
}

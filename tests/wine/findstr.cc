// findstr [/i] [/v] "words" [file]: the lines that match any of the words,
// without a header. In a word "." stands for any character, as in the
// regular expressions findstr takes by default.
#include <cstdio>
#include <string>
#include <vector>

#include "text_filter.h"

namespace {

using namespace kestram::stand_in;

bool matches_at(const std::string& line, std::size_t at, const std::string& word, bool ignore_case) {
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '.') continue;
    char a = line[at + i];
    char b = word[i];
    if (ignore_case ? ascii_lower(a) != ascii_lower(b) : a != b) return false;
  }
  return true;
}

bool matches(const std::string& line, const std::vector<std::string>& words, bool ignore_case) {
  for (const std::string& word : words)
    for (std::size_t at = 0; at + word.size() <= line.size(); ++at)
      if (matches_at(line, at, word, ignore_case)) return true;
  return false;
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
      std::fprintf(stderr, "FINDSTR: /%s ignored\n", argument.c_str() + 1);
    } else {
      operands.push_back(argument);
    }
  }
  if (operands.empty() || operands.size() > 2) {
    std::fprintf(stderr, "FINDSTR: Bad command line\n");
    return 2;
  }
  std::vector<std::string> words;
  std::string word;
  for (char c : operands[0] + " ") {
    if (c != ' ') {
      word.push_back(c);
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  std::vector<std::string> lines;
  if (operands.size() == 1) {
    lines = read_lines(stdin);
  } else if (!read_file_lines(operands[1], lines)) {
    std::fprintf(stderr, "FINDSTR: Cannot open %s\n", operands[1].c_str());
    return 1;
  }
  for (const std::string& line : lines)
    if (matches(line, words, ignore_case) != invert) write_line(stdout, line);
  return 0;
}

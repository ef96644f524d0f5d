#include "run/command_line.h"

namespace kestram {

std::string quoted(std::string_view file_name) {
  std::string word = "\"";
  for (char c : file_name) {
    if (c == '"') word += '"';
    word += c;
  }
  word += '"';
  return word;
}

}  // namespace kestram

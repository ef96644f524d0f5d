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

std::string command_word(std::string_view file_name) {
  if (file_name.empty()) return quoted(file_name);
  for (char c : file_name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-' || c == '\\';
    if (!plain) return quoted(file_name);
  }
  return std::string(file_name);
}

}  // namespace kestram

// The blank-separated fields of the lines of the library's own files.
#pragma once

#include <string_view>

namespace kestram::lexpage {

// Splits off the first blank-separated field of `line`.
inline std::string_view field(std::string_view& line) {
  const std::size_t blank = line.find(' ');
  const std::string_view first = line.substr(0, blank);
  line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
  return first;
}

}  // namespace kestram::lexpage

// Shared parts of the stand-ins for find.exe, findstr.exe and sort.exe that
// the wine end-to-end run puts on the search path (stock wine lacks working
// ones). Test tools only: never installed with the product.
#pragma once

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kestram::stand_in {

// Standard input and output pass bytes unchanged: lines end in CR LF as
// written, never CR CR LF.
inline void use_binary_stdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

// The lines of a stream without their line ends (LF or CR LF).
inline std::vector<std::string> read_lines(std::FILE* in) {
  std::vector<std::string> lines;
  std::string line;
  bool open_line = false;
  for (int c; (c = std::fgetc(in)) != EOF;) {
    open_line = true;
    if (c != '\n') {
      line.push_back(static_cast<char>(c));
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    line.clear();
    open_line = false;
  }
  if (open_line) lines.push_back(line);
  return lines;
}

// The lines of a file; false when it cannot be read.
inline bool read_file_lines(const std::string& name, std::vector<std::string>& lines) {
  std::FILE* in = std::fopen(name.c_str(), "rb");
  if (in == nullptr) return false;
  lines = read_lines(in);
  std::fclose(in);
  return true;
}

inline void write_line(std::FILE* out, std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputs("\r\n", out);
}

inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string ascii_upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Whether `argument` is "/x" for the letter `letter`, in either case.
inline bool is_switch(std::string_view argument, char letter) {
  return argument.size() == 2 && argument[0] == '/' && ascii_lower(argument[1]) == letter;
}

}  // namespace kestram::stand_in

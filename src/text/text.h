// Small byte-level helpers. A blank is the space character only; a tab or any
// other byte is an ordinary character. Letter case means ASCII letters only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestram {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string ascii_lower(std::string_view text);

// Number of blanks with which the text begins.
inline std::size_t leading_blanks(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && text[n] == ' ') ++n;
  return n;
}

// Removes leading and trailing blanks.
inline std::string_view trim_blanks(std::string_view text) {
  const std::size_t begin = leading_blanks(text);
  std::size_t end = text.size();
  while (end > begin && text[end - 1] == ' ') --end;
  return text.substr(begin, end - begin);
}

// Sixteen bytes at once, for a test that looks at 16 positions of a line in
// one go (the compiler turns the operations on them into vector
// instructions): Bytes16 holds p[0] to p[15]; any_set() tells whether a
// comparison held at any position.
using Bytes16 = unsigned char __attribute__((vector_size(16)));
inline Bytes16 bytes16_at(const unsigned char* p) {
  Bytes16 bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  return bytes;
}
template <typename Mask>
bool any_set(Mask mask) {
  std::uint64_t halves[2];
  static_assert(sizeof mask == sizeof halves, "16 positions");
  std::memcpy(halves, &mask, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

// Position of the first blank in `text`, or its size when it holds none.
inline std::size_t first_blank(std::string_view text) {
  const std::size_t blank = text.find(' ');
  return blank == std::string_view::npos ? text.size() : blank;
}

// Whether `text` begins with `prefix`, comparing ASCII letters without regard
// to case. `prefix` must be in lower case. Inline: it mostly fails at the
// first byte, and a call would cost more than that.
inline bool starts_with_lower(std::string_view text, std::string_view lower_prefix) {
  if (text.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i)
    if (ascii_lower(text[i]) != lower_prefix[i]) return false;
  return true;
}

// Position of the first occurrence of `lower_needle` in `text`, comparing
// ASCII letters without regard to case, or npos. `lower_needle` must be in
// lower case.
std::size_t find_lower(std::string_view text, std::string_view lower_needle);

// Keyword test of the document notation: the line, stripped of blanks and
// turned to lower case, begins with the keyword.
inline bool is_keyword_line(std::string_view line, std::string_view lower_keyword) {
  return starts_with_lower(trim_blanks(line), lower_keyword);
}

// The value after a keyword: the stripped line from one character past the
// keyword on (one separator character is always skipped), or empty.
std::string_view keyword_value(std::string_view stripped_line, std::size_t keyword_length);

}  // namespace kestram

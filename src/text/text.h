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

// Number of blanks with which the text begins. Inline: every pass calls it
// per line. Most lines begin without one; the indentation of an indented
// line is looked at 8 bytes at a time.
inline std::size_t leading_blanks(std::string_view text) {
  std::size_t n = 0;
  if (text.empty() || text[0] != ' ') return 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  for (; n + 8 <= text.size(); n += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + n, 8);
    // The lowest bits set belong to the first byte that is no blank.
    if (const std::uint64_t other = word ^ 0x2020202020202020u) return n + (__builtin_ctzll(other) >> 3);
  }
#endif
  while (n < text.size() && text[n] == ' ') ++n;
  return n;
}

// Removes leading and trailing blanks. Inline: every pass calls it per line.
inline std::string_view trim_blanks(std::string_view text) {
  const std::size_t begin = leading_blanks(text);
  std::size_t end = text.size();
  while (end > begin && text[end - 1] == ' ') --end;
  return text.substr(begin, end - begin);
}

// Fills `count` bytes from `to` with blanks and returns the end of them.
// An indentation is mostly short: up to 16 blanks are stored by at most two
// fixed-size stores (which overlap when the count is not a power of two)
// instead of a call to memset. Writes stay within the `count` bytes.
inline char* fill_blanks(char* to, std::size_t count) {
  if (count > 16) {
    std::memset(to, ' ', count);
  } else if (count >= 8) {
    const std::uint64_t blanks = 0x2020202020202020u;
    std::memcpy(to, &blanks, 8);
    std::memcpy(to + count - 8, &blanks, 8);
  } else if (count >= 4) {
    const std::uint32_t blanks = 0x20202020u;
    std::memcpy(to, &blanks, 4);
    std::memcpy(to + count - 4, &blanks, 4);
  } else if (count != 0) {
    to[0] = ' ';
    to[count / 2] = ' ';
    to[count - 1] = ' ';
  }
  return to + count;
}

// Position of the first `byte` in `text`, or its size when it holds none.
// For a byte that stands early or not at all in a short text (the end of a
// first word, the first tag of a page line): it looks at 16 bytes at a time
// without a call to the library.
std::size_t find_byte(std::string_view text, char byte);

// Position of the first blank in `text`, or its size when it holds none.
inline std::size_t first_blank(std::string_view text) { return find_byte(text, ' '); }

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

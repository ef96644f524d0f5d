// Recognition of chapter-mark lines.
//
// A chapter mark is a line that, once its blanks at both ends are trimmed,
// begins with a number made of digits and points, then a blank and a title:
// "1. Introduction", "1.2 Scope", "3.1.4 Limits". All tests work on bytes; a
// blank is the space character only, so a tab never separates the number.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestram {

// A mark number holds at most this many points (26 components); a longer one
// does not make its line a mark.
constexpr std::size_t kMaxMarkPoints = 25;

// The leading number of a chapter mark must be below this bound; dates written
// year first ("2023.05.12 Meeting") are thereby no chapter marks.
constexpr std::string_view kChapterNumberBound = "2000";

// The text before the first blank of a trimmed line, or "" when the line holds
// no blank (a line that is a number alone has no first word).
std::string_view first_word(std::string_view trimmed_line);

// The line has a first word that consists of digits and points only, with 1 to
// kMaxMarkPoints points.
bool is_candidate_mark(std::string_view trimmed_line);

// A candidate mark whose leading number (digits, a point, digits) is below
// 2000. The comparison is exact for any number of digits.
bool is_chapter_mark(std::string_view trimmed_line);

// Both tests above and the first word, from one reading of the line's first
// word: the scans ask all three of every line.
struct MarkTest {
  bool candidate = false;          // is_candidate_mark()
  bool chapter = false;            // is_chapter_mark()
  std::size_t number_length = 0;   // length of first_word() when a candidate
};
MarkTest test_mark(std::string_view trimmed_line);

// The leading number of a text (digits, at most one point, digits; an empty
// number is 0) taken to the nearest whole number, a half going to the even
// neighbour, as decimal text without leading zeros: "1.5" gives "2", "2.5"
// gives "2", "0." gives "0", "007.9.1" gives "8".
std::string rounded_leading_number(std::string_view text);

// The number of points of a mark number once a point is appended to a number
// that does not already end with one: "1." and "1" give 1, "1.2." gives 2.
std::size_t mark_level(std::string_view mark_number);

// The whole number at the start of a number component (an empty one counts as
// 0) plus one, as decimal text without leading zeros, exact for any number of
// digits: "" gives "1", "007" gives "8", "99" gives "100".
std::string increment_component(std::string_view component);
// The same, appended to `out`.
void append_incremented_component(std::string& out, std::string_view component);

}  // namespace kestram

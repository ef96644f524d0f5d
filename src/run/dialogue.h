// Console operations of the dialogue: printed lines, typed answers and the
// three one-key menus. Only the menus end the run; they say so by returning
// Flow::kEndRun, and the driver stops there with exit status 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace kestram {

enum class Flow { kGoOn, kEndRun };

// Console lines end with CR LF.
void print_line(Console& console, std::string_view text);
void print_text(Console& console, std::string_view text);
void print_empty_line(Console& console);

// Prints the prompt and "? ", reads a typed line and returns its first answer
// field (at most 4096 bytes). End of input gives the empty answer.
std::string ask_text(Console& console, std::string_view prompt);
// Like ask_text, except that a blank or a tab also ends the field (at most 67
// bytes), which is read as a whole number (see parse_number). End of input
// gives 0.
std::int64_t ask_number(Console& console, std::string_view prompt);

// The menus print their lines once and then read keys. A key is compared as
// the exact text "1" or "2"; keys without a character ("") and keys of more
// than one byte are ignored like any other. End of input ends the run, since
// no key could ever come.

// "1" continues, "2" ends; every other key is ignored. End of input ends.
Flow offer_continue_or_end(Console& console, std::string_view choice_1, std::string_view choice_2);
// Prints "<1> = continue and end"; only "1" (or end of input) acts, and ends.
Flow offer_end(Console& console);
// Prints the message; any key (or end of input) ends.
Flow pause_then_end(Console& console, std::string_view message);

// The first answer field of a typed line: leading blanks and tabs skipped, up
// to the first comma (or the closing quote of a field that opens with a double
// quote), at most `max_length` bytes. With `blank_ends`, a blank or a tab also
// ends the field, inside quotes as well.
std::string first_answer_field(std::string_view typed_line, std::size_t max_length, bool blank_ends);

// A whole number from an answer field: a decimal point or an exponent letter
// (e, d) makes it a decimal number taken to the nearest whole number (a half to
// the even neighbour), rounded exactly on its decimal digits; "&H", "&O", "&B"
// (either case) read hexadecimal, octal, binary digits, and take precedence, so
// "&HE" is 14; otherwise the leading digits after an optional sign. No number
// gives 0, and a number beyond the range of std::int64_t saturates.
std::int64_t parse_number(std::string_view field);

// The indentation answer: the number at the start of the text (optional sign,
// digits, decimal point, exponent), taken to the nearest whole number with a
// half going to the even neighbour; no number gives 0, and the range saturates.
std::int64_t parse_leading_decimal(std::string_view text);

}  // namespace kestram

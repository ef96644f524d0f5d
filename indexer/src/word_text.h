// Byte-level rules for words and for the text of the index pages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestram::lexpage {

// A word is a run of ASCII letters and digits and of bytes of 128 and above,
// so that words in UTF-8 stay whole. Two invisible UTF-8 characters are no
// part of words: the no-break space and the byte-order mark (see
// separator_length).
inline bool is_word_byte(unsigned char c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c >= 0x80;
}

// Length of a UTF-8 no-break space (C2 A0) or byte-order mark (EF BB BF) at
// the start of `text`, or 0. These separate words like a blank does.
std::size_t separator_length(std::string_view text);

// The word as the index keeps it: ASCII letters folded to lower case, every
// other byte unchanged.
void fold_word(std::string_view word, std::string& key);

// The name of the index page part for a folded word: its first byte when
// that is an ASCII letter or digit, else "other" (all other words share one
// page). The page is "i_" + initial_name + ".htm".
std::string_view initial_name(std::string_view key);

// HTML text: "<", ">" and "&" escaped; control bytes (tab, NUL, ...) become
// blanks, so that a line of context stays one aligned line.
void append_escaped(std::string& out, std::string_view text);

// The text as a browser reads it from a UTF-8 page: every byte sequence that
// is no valid UTF-8 replaced by U+FFFD, by the same rule browsers use. Word
// anchors use this form, so that the script of the page, which sees the
// decoded text, finds them.
std::string browser_text(std::string_view text);

// `text` with every byte that is not an ASCII letter, digit or one of "-._~"
// written as %XX: a URL fragment that a browser decodes back to `text`.
std::string percent_encoded(std::string_view text);

// Number of characters in UTF-8 text (bytes that do not continue a sequence).
std::size_t character_count(std::string_view text);

}  // namespace kestram::lexpage

// The one escaping rule of the page: "<" becomes "&lt;" and ">" becomes
// "&gt;". Every other byte, "&" and quote characters included, stays as it is,
// because the document is trusted author text that may carry entities.
#pragma once

#include <string>
#include <string_view>

#include "text/lines.h"

namespace kestram {

// Appends `text` to `out` with "<" and ">" escaped.
void append_html_escaped(std::string& out, std::string_view text);

// Writes `text` to `out` with "<" and ">" escaped, without a copy of it.
void write_html_escaped(LineWriter& out, std::string_view text);

// Places `text` with "<" and ">" escaped at `to`, which must have room for
// most_escaped_size(text.size()) bytes, and returns the end of what it placed.
char* put_html_escaped(char* to, std::string_view text);
constexpr std::size_t most_escaped_size(std::size_t size) { return 4 * size; }

// `text` with "<" and ">" escaped.
std::string html_escape(std::string_view text);

// The size of `text` with "<" and ">" escaped, without making it.
std::size_t html_escaped_size(std::string_view text);

}  // namespace kestram

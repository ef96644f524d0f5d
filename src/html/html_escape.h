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

// `text` with "<" and ">" escaped.
std::string html_escape(std::string_view text);

// The size of `text` with "<" and ">" escaped, without making it.
std::size_t html_escaped_size(std::string_view text);

}  // namespace kestram

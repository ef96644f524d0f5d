// The one escaping rule of the page: "<" becomes "&lt;" and ">" becomes
// "&gt;". Every other byte, "&" and quote characters included, stays as it is,
// because the document is trusted author text that may carry entities.
#pragma once

#include <string>
#include <string_view>

namespace kestram {

// Appends `text` to `out` with "<" and ">" escaped.
void append_html_escaped(std::string& out, std::string_view text);

// `text` with "<" and ">" escaped.
std::string html_escape(std::string_view text);

// Whether `text` holds a "<" or a ">".
bool needs_html_escape(std::string_view text);

}  // namespace kestram

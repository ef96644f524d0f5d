// The escaping rules of the page. Text: "<" becomes "&lt;" and ">" becomes
// "&gt;"; every other byte, "&" and quote characters included, stays as it is,
// because the document is trusted author text that may carry entities. An
// attribute value in double quotes (a link's address) also has its "&" and
// '"' escaped, so that it ends where the address ends.
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

// Appends `text` as an attribute value: "&", '"', "<" and ">" escaped.
void append_attribute_escaped(std::string& out, std::string_view text);

// Whether `text` holds a byte that append_attribute_escaped() escapes.
bool needs_attribute_escape(std::string_view text);

}  // namespace kestram

#include "html/html_escape.h"

namespace kestram {

bool needs_html_escape(std::string_view text) {
  // "<" (0x3C) and ">" (0x3E) differ in bit 0x02 only.
  unsigned char any = 0;
  for (char c : text) any |= static_cast<unsigned char>((static_cast<unsigned char>(c) | 0x02) == '>');
  return any != 0;
}

void append_html_escaped(std::string& out, std::string_view text) {
  std::size_t done = 0;
  for (std::size_t at = text.find_first_of("<>"); at != std::string_view::npos; at = text.find_first_of("<>", done)) {
    out.append(text.substr(done, at - done));
    out.append(text[at] == '<' ? "&lt;" : "&gt;");
    done = at + 1;
  }
  out.append(text.substr(done));
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_html_escaped(out, text);
  return out;
}

bool needs_attribute_escape(std::string_view text) {
  // Addresses are short: one pass, not one search per byte value.
  for (char c : text)
    if (c == '&' || c == '"' || c == '<' || c == '>') return true;
  return false;
}

void append_attribute_escaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
}

}  // namespace kestram

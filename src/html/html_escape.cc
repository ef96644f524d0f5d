#include "html/html_escape.h"

namespace kestram {

void append_html_escaped(std::string& out, std::string_view text) {
  std::size_t done = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '<' && c != '>') continue;
    out.append(text.substr(done, i - done));
    out.append(c == '<' ? "&lt;" : "&gt;");
    done = i + 1;
  }
  out.append(text.substr(done));
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_html_escaped(out, text);
  return out;
}

}  // namespace kestram

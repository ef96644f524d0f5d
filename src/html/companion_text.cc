#include "html/companion_text.h"

#include <cstring>

#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kFrameFragments[] = {"<!doctype html", "<meta http-equiv", "<p style"};
constexpr std::string_view kFrameTags[] = {
    "<html>", "</html>", "<head>", "</head>", "<title>", "</title>",
    "<body>", "</body>", "</p>",   "<pre>",   "</pre>",
};

}  // namespace

std::string companion_file_name(std::string_view base_name) {
  const std::size_t cut = find_lower(base_name, "_indent");
  std::string name(base_name.substr(0, cut));
  name.append("_com_ndx.txt");
  return name;
}

bool is_frame_line(std::string_view line) {
  const std::string_view test = trim_blanks(line);
  // Every tag and fragment starts with "<": most lines of a page hold none
  // and are settled by one search.
  if (test.empty() || std::memchr(test.data(), '<', test.size()) == nullptr) return false;
  for (std::string_view tag : kFrameTags)
    if (test.size() == tag.size() && starts_with_lower(test, tag)) return true;
  for (std::string_view fragment : kFrameFragments)
    if (find_lower(test, fragment) != std::string_view::npos) return true;
  return false;
}

void write_companion_text(LineReader& page, LineWriter& out) {
  std::string_view line;
  while (page.next(line))
    if (!is_frame_line(line)) out.write_line(line);
}

}  // namespace kestram

#include "html/companion_text.h"

#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kFrameFragments[] = {"<!doctype html", "<meta http-equiv", "<p style"};
constexpr std::string_view kFrameTags[] = {
    "<html>", "</html>", "<head>", "</head>", "<title>", "</title>",
    "<body>", "</body>", "</p>",   "<pre>",   "</pre>",
};

constexpr std::size_t longest_tag() {
  std::size_t longest = 0;
  for (std::string_view tag : kFrameTags) longest = tag.size() > longest ? tag.size() : longest;
  return longest;
}

}  // namespace

std::string companion_file_name(std::string_view base_name) {
  const std::size_t cut = find_lower(base_name, "_indent");
  std::string name(base_name.substr(0, cut));
  name.append("_com_ndx.txt");
  return name;
}

bool is_frame_line(std::string_view line) {
  const std::string_view test = trim_blanks(line);
  // Every tag and every fragment starts with "<", so looking at each "<"
  // once finds them all in one search through the line; most page lines
  // hold none at all.
  const std::size_t first = test.find('<');
  if (first == std::string_view::npos) return false;
  if (first == 0 && test.size() <= longest_tag()) {
    for (std::string_view tag : kFrameTags)
      if (test.size() == tag.size() && starts_with_lower(test, tag)) return true;
  }
  for (std::size_t at = first; at != std::string_view::npos; at = test.find('<', at + 1)) {
    // The byte after "<" already rules out the page's own tags.
    const char second = at + 1 < test.size() ? ascii_lower(test[at + 1]) : '<';
    for (std::string_view fragment : kFrameFragments)
      if (second == fragment[1] && starts_with_lower(test.substr(at), fragment)) return true;
  }
  return false;
}

void write_companion_text(LineReader& page, LineWriter& out) {
  std::string_view line;
  while (page.next(line))
    if (!is_frame_line(line)) out.write_line(line);
}

}  // namespace kestram

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

namespace {

// Whether the text holds a fragment ("<!", "<m", "<p" in any case, then the
// rest of one). The pairs are looked for a block of positions at a time by a
// loop without branches, which the compiler turns into vector instructions:
// the markup of headings and contents lines holds several "<" but no pair.
bool holds_frame_fragment(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  auto pair_at = [bytes](std::size_t at) {
    const unsigned char second = bytes[at + 1] | 0x20;  // "!" (0x21) stays itself
    return static_cast<unsigned char>((bytes[at] == '<') & ((second == 'm') | (second == 'p') | (second == '!')));
  };
  auto fragment_at = [text](std::size_t at) {
    for (std::string_view fragment : kFrameFragments)
      if (starts_with_lower(text.substr(at), fragment)) return true;
    return false;
  };
  constexpr std::size_t kBlock = 16;
  const std::size_t positions = text.size() < 2 ? 0 : text.size() - 1;  // a pair needs two bytes
  std::size_t at = 0;
  for (; at + kBlock <= positions; at += kBlock) {
    unsigned char any = 0;
    for (std::size_t k = 0; k < kBlock; ++k) any |= pair_at(at + k);
    if (any == 0) continue;
    for (std::size_t k = 0; k < kBlock; ++k)
      if (pair_at(at + k) && fragment_at(at + k)) return true;
  }
  for (; at < positions; ++at)
    if (pair_at(at) && fragment_at(at)) return true;
  return false;
}

}  // namespace

bool is_frame_line(std::string_view line) {
  const std::string_view test = trim_blanks(line);
  if (test.size() <= longest_tag() && !test.empty() && test[0] == '<') {
    for (std::string_view tag : kFrameTags)
      if (test.size() == tag.size() && starts_with_lower(test, tag)) return true;
  }
  return holds_frame_fragment(test);
}

void write_companion_text(LineReader& page, LineWriter& out) {
  std::string_view line;
  while (page.next(line))
    if (!is_frame_line(line)) out.write_line(line);
}

}  // namespace kestram

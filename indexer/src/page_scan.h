// One pass over an HTML page: where its words are, which chapter each lies
// in, and the page's visible text.
//
// Markup is never part of a word: tags with their attributes, comments,
// declarations, character references (&lt; &amp; &#233; ...) and the content
// of script, style, title and textarea elements. A "<" that opens no tag and
// an "&" that opens no character reference are ordinary text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestram::lexpage {

// Offsets are 32 bits wide; pages beyond this size are refused by the caller.
constexpr std::size_t kMaxPageSize = 0xFFFFFFFFu;

struct WordSpan {
  std::uint32_t page_offset;   // first byte of the word in the page
  std::uint32_t length;        // bytes
  std::uint32_t plain_offset;  // first byte of the word in PageScan::plain
  std::uint32_t chapter;       // index into PageScan::chapters
};

struct PageScan {
  std::vector<WordSpan> words;  // in page order
  // The chapter anchors in page order: the ID of every <span> element whose
  // ID is a chapter number (3. or 3.1.2). chapters[0] is empty and holds the
  // words before the first heading.
  std::vector<std::string> chapters;
  // The visible text: markup left out, character references decoded (an
  // unknown named one is kept as written), line ends kept.
  std::string plain;
  // Offset of the first </body> end tag, or the page's size without one.
  std::size_t body_end = 0;
};

// Requires page.size() <= kMaxPageSize.
PageScan scan_page(std::string_view page);

// A chapter number as the page's headings carry it: digits and points,
// starting with a digit.
bool is_chapter_number(std::string_view text);

}  // namespace kestram::lexpage

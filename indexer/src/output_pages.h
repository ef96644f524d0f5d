// What one page of the library yields when it is taken in:
//   pageK.htm  the page itself, every word wrapped in an anchor element
//              (<w id=w17>, an unknown and so unstyled element that looks
//              like plain text), a bar of links that floats above it, and a
//              script that opens the index entry of a double-clicked word;
//   its lines of context: for every occurrence of a word, its chapter and up
//              to kContextWidth characters on either side, linked to the
//              occurrence in pageK.htm. The index pages of the library copy
//              them as they are, so they are made once per page.
// K is the document's number in the library; it stays while the document
// stays, so links to a page hold when other documents come and go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "page_scan.h"
#include "text/line_sink.h"
#include "word_index.h"

namespace kestram::lexpage {

struct IndexedPage {
  std::size_t number;  // K
  std::string_view page;
  const PageScan& scan;
  const WordIndex& index;
};

// Characters of context shown on either side of an occurrence.
constexpr std::size_t kContextWidth = 36;

std::string page_name(std::size_t number);  // "page3.htm"
std::string initial_page_name(std::string_view initial);
// The link to a word's entry, from any page in htm_out/.
std::string entry_link(std::string_view word);
// The anchor of an occurrence in its page ("w1" for the first word).
std::string occurrence_anchor(std::size_t occurrence);
// The label of a chapter in lines of context and tables ("-" before the first).
std::string_view chapter_label(const PageScan& scan, std::uint32_t chapter);
// HTML text of `text` (see append_escaped).
std::string escaped(std::string_view text);

void write_word_page(const IndexedPage& page, LineSink& out);

// The lines of context of every word in byte order, of its occurrences in
// page order; returns the size in bytes of each word's lines (line ends
// included), by rank.
std::vector<std::uint64_t> write_context_lines(const IndexedPage& page, LineSink& out);

}  // namespace kestram::lexpage

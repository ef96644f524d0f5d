// The pages the indexer writes into htm_out/:
//   page1.htm    the page itself, every word wrapped in an anchor element
//                (<w id=w17>, an unknown and so unstyled element that looks
//                like plain text), and a script that opens the index entry of
//                a double-clicked word;
//   index1.htm   totals, the initials with links to their pages, keywords;
//   i_<x>.htm    the words with initial x (a letter, a digit, or "other"),
//                each with its count and a line of context per occurrence
//                that links to the occurrence in page1.htm;
//   s_1.htm      words by frequency and the chapters with their word counts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "page_scan.h"
#include "text/line_sink.h"
#include "word_index.h"

namespace kestram::lexpage {

struct IndexedPage {
  std::string_view source_name;  // the page's file name in htm_in/
  std::string_view page;
  const PageScan& scan;
  const WordIndex& index;
  const std::vector<InitialGroup>& groups;
  const std::vector<Keyword>& keywords;
};

// Characters of context shown on either side of an occurrence.
constexpr std::size_t kContextWidth = 36;

// "24 words, 15 different words, 2 chapters, 1 keyword".
std::string summary(const IndexedPage& page);
std::string initial_page_name(std::string_view initial);
// The link to a word's entry, from any page in htm_out/.
std::string entry_link(std::string_view word);
// The anchor of an occurrence in page1.htm ("w1" for the first word).
std::string occurrence_anchor(std::size_t occurrence);

void write_word_page(const IndexedPage& page, LineSink& out);
void write_index_page(const IndexedPage& page, LineSink& out);
void write_initial_page(const IndexedPage& page, const InitialGroup& group, LineSink& out);
void write_statistics_page(const IndexedPage& page, LineSink& out);
// index1.htm when there is nothing to index: says why.
void write_error_page(std::string_view message, LineSink& out);

}  // namespace kestram::lexpage

// The index of all words of a scanned page: every distinct word (ASCII
// letters folded to lower case) with its occurrences, the totals per chapter
// and per initial, and the identification lines of the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "page_scan.h"

namespace kestram::lexpage {

struct ChapterTotals {
  std::uint64_t words = 0;            // occurrences in the chapter
  std::uint64_t different_words = 0;  // distinct words among them
};

// Words stored one after another in one block, a few bytes each beyond
// their text.
class WordList {
 public:
  std::size_t size() const { return starts_.size() - 1; }
  std::string_view operator[](std::size_t i) const {
    return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i]);
  }
  // The total length of the words stays within kMaxPageSize.
  void push_back(std::string_view word) {
    text_.append(word);
    starts_.push_back(static_cast<std::uint32_t>(text_.size()));
  }

 private:
  std::string text_;
  std::vector<std::uint32_t> starts_{0};
};

struct WordIndex {
  // Distinct words in byte order; a word's position here is its rank.
  WordList words;
  // Occurrences (positions in PageScan::words), grouped by rank and in page
  // order within a group: those of rank r are first[r] .. first[r + 1] - 1.
  std::vector<std::uint32_t> occurrences;
  std::vector<std::uint32_t> first;
  // One per entry of PageScan::chapters.
  std::vector<ChapterTotals> chapters;

  std::size_t count(std::size_t rank) const { return first[rank + 1] - first[rank]; }
};

WordIndex build_word_index(std::string_view page, const PageScan& scan);

// An identification line of a supplemented document: a title key (one word
// without blanks), " id=" and exactly nine digits.
struct Keyword {
  std::string text;         // key, " id=" and the digits, as the page shows them
  std::uint32_t occurrence;  // first word at or after the key (PageScan::words)
};

std::vector<Keyword> find_keywords(const PageScan& scan);

// The organisational-unit codes at the ends of the chapter headings, in the
// order first met: "2.1 Budget (HR)" gives "HR". A heading is the line of
// the visible text that holds the first word of its chapter.
std::vector<std::string> unit_codes(const PageScan& scan);

// A line of keyword-in-context: up to `width` characters on either side of
// an occurrence, never reaching past a line end of the visible text.
struct ContextLine {
  std::string_view before;
  std::string_view word;
  std::string_view after;
};

ContextLine context_line(std::string_view plain, const WordSpan& word, std::size_t width);

}  // namespace kestram::lexpage

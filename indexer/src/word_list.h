// The word list of one document of the library: what the library's index
// pages need from the document, so that they are made without reading its
// page again. A text file, one fact per line:
//
//   lexpage word list 1
//   chapters 2
//   chapter - 12 9              words before the first chapter: 12, 9 different
//   chapter 1.1 40 31           a chapter's words and different words
//   unit HR                     a unit code at the end of a heading (HR)
//   keyword 17 1.1 Budget-plan id=123456789     first word, chapter, the line
//   word 3 5 402 budget         count, first occurrence, bytes of its lines
//                               of context (line ends included), the word
//
// The words come in byte order; their lines of context, one file beside it,
// in the same order. The number in the first line is the format: a program
// that reads another one says so and makes the word list anew from the page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "output_pages.h"
#include "text/line_sink.h"

namespace kestram::lexpage {

constexpr std::string_view kWordListFormat = "lexpage word list 1";

struct WordEntry {
  std::string_view word;
  std::uint64_t count = 0;
  std::uint64_t first = 0;  // occurrence number of the first, from 1 (anchor "w" + first)
  std::uint64_t bytes = 0;
};

struct ChapterCount {
  std::string_view label;  // "-" for the words before the first chapter
  std::uint64_t words = 0;
  std::uint64_t different_words = 0;
};

struct KeywordLine {
  std::uint64_t occurrence = 0;  // from 1
  std::string_view chapter;
  std::string_view text;
};

struct DocumentWords {
  std::unique_ptr<std::string> text;  // the file; the views below point into it
  std::uint64_t chapters = 0;
  std::vector<ChapterCount> chapter_counts;
  std::vector<std::string_view> units;
  std::vector<KeywordLine> keywords;
  std::vector<WordEntry> words;
  std::uint64_t occurrences = 0;  // the counts added up
};

// `context_bytes` as write_context_lines returned it.
void write_word_list(const IndexedPage& page, const std::vector<std::uint64_t>& context_bytes,
                     LineSink& out);

// Reads a word list back; false when `text` is not one of this format
// (another format, or damaged).
bool parse_word_list(std::string text, DocumentWords& list);

}  // namespace kestram::lexpage

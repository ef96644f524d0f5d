// The index pages of the whole library, in htm_out/:
//   index1.htm  the documents (page, name, chapters, words, unit codes, when
//               taken in), the initials with their totals over all
//               documents, the identification lines, and the pages that
//               could not be indexed;
//   i_<x>.htm   the words with initial x (a letter, a digit, or "other"):
//               each entry gives the word's total and, per document, its
//               count and its lines of context, which link to the
//               occurrences in that document's page;
//   s_1.htm     statistics per document and overall, the words by
//               frequency, the words that only one document uses, and the
//               chapters of every document.
// Every page has a bar of links to the others and to search.htm.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_sink.h"
#include "word_list.h"

namespace kestram::lexpage {

struct LibraryDocument {
  std::size_t number = 0;  // its page is page<number>.htm
  std::string name;        // the kept page's file name
  std::string indexed;     // when it was taken in
  DocumentWords words;
};

// One document's entry for a word: documents[document].words.words[entry].
struct Posting {
  std::uint32_t document;
  std::uint32_t entry;
};

// A word of the library: postings[begin .. end - 1], in document order.
struct LibraryWord {
  std::string_view word;
  std::uint64_t total = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// The words of one index page ("a", "7", or "other"): words[begin .. end - 1].
struct InitialGroup {
  std::string_view name;
  std::size_t begin = 0;
  std::size_t end = 0;
  std::uint64_t occurrences = 0;
};

struct Library {
  std::vector<LibraryDocument> documents;  // in name order
  std::vector<std::string> problems;       // pages left out, each with its reason
  // Made by merge_words from the documents' word lists:
  std::vector<Posting> postings;
  std::vector<LibraryWord> words;  // in byte order
  std::vector<InitialGroup> groups;
  std::uint64_t occurrences = 0;

  const WordEntry& entry(const Posting& posting) const {
    return documents[posting.document].words.words[posting.entry];
  }
};

void merge_words(Library& library);

// The lines of context of the documents' words, which the initial pages
// copy: each document's in the order of its word list.
class ContextSource {
 public:
  virtual ~ContextSource() = default;
  // Writes the next `bytes` bytes of the document's lines to `out`.
  virtual void copy(std::size_t document, std::uint64_t bytes, LineSink& out) = 0;
};

void write_index_page(const Library& library, LineSink& out);
void write_initial_page(const Library& library, const InitialGroup& group, ContextSource& context,
                        LineSink& out);
void write_statistics_page(const Library& library, LineSink& out);

// The frame shared by the library's pages.
void write_head(LineSink& out, std::string_view title);
void write_library_bar(const Library& library, LineSink& out);
void write_foot(LineSink& out);
// "1 word", "2 words".
std::string counted(std::uint64_t count, std::string_view thing);

}  // namespace kestram::lexpage

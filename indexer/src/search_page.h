// The search page of the library, htm_out/search.htm: a box where typing a
// word or its beginning lists the matching words at once, each with its
// total and its count in every document; a word opens its index entry, a
// document its first occurrence there. search.htm?q=WORD opens with WORD
// searched. The words come from a script file beside the page,
// search_words.js, so that the page works from file:// without a server;
// without scripts the page says so and leads to the index.
#pragma once

#include "library_pages.h"
#include "text/line_sink.h"

namespace kestram::lexpage {

void write_search_page(const Library& library, LineSink& out);

// search_words.js: lexpageLibrary = {documents: [[page, name], ...],
// words: [[word, total, document, count, first occurrence, ...], ...]},
// the words in byte order.
void write_search_data(const Library& library, LineSink& out);

// `text` as a JavaScript string literal in double quotes; invalid UTF-8 is
// replaced as a browser would.
std::string js_string(std::string_view text);

}  // namespace kestram::lexpage

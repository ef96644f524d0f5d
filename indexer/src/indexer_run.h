// One run of the indexer in its working directory (lexpage/). The library
// of pages lives in htm_out/library/, one kept page per document under its
// file name; htm_out/ covers all of them:
//   page1.htm ... pageN.htm  one per document (see output_pages.h)
//   index1.htm, i_*.htm, s_1.htm (see library_pages.h)
//   search.htm, search_words.js (see search_page.h)
//   error.txt  the pages that could not be indexed, when there are any
//   word_lists/  the catalog and a word list per document (see catalog.h,
//                word_list.h): what was made of the kept pages
// Every run replaces htm_out/ as a whole (see site.h).
#pragma once

#include <filesystem>
#include <string>

#include "site.h"

namespace kestram::lexpage {

struct Request {
  enum class Kind {
    kTakeIn,  // take in the page of htm_in/, if it is new, and make htm_out anew
    kRemove,  // remove the document `name` from the library
    kList,    // the library's documents, one per line; changes nothing
  };
  Kind kind = Kind::kTakeIn;
  std::string name;
};

struct RunOptions {
  std::string now;  // "2024-05-01 13:45": when a page is taken in
  // False: htm_out is replaced in two renames even where the system swaps
  // two directories in one step (as on Windows).
  bool replace_in_one_step = true;
  StepHook step;
};

struct RunOutcome {
  bool ok = false;
  std::string message;  // what was done, or why not; lines end in "\n"
};

// The page in htm_in/ is new when it differs in name, size or time from the
// one taken in last, so that a document removed from the library stays out
// while its page still waits in htm_in/. A page that cannot be read is named
// in htm_out/error.txt and the library keeps its documents; the outcome is
// then not ok.
RunOutcome run_indexer(const std::filesystem::path& working_directory, const Request& request,
                       const RunOptions& options);

}  // namespace kestram::lexpage

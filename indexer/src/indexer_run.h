// One run of the indexer in its working directory: the single page in
// htm_in/ is indexed into htm_out/.
#pragma once

#include <filesystem>
#include <string>

namespace kestram::lexpage {

struct RunOutcome {
  bool ok = false;
  std::string message;  // one line: what was done, or why nothing was
};

// Creates htm_out/ when missing and replaces the files of an earlier run
// there (page*.htm, index*.htm, i_*.htm, s_*.htm, error.txt). When there is
// no page to index (htm_in/ missing or empty, several files in it, the page
// unreadable or too large) or the results cannot be written, htm_out/ gets
// error.txt and an index1.htm that give the reason, and the outcome is not
// ok.
RunOutcome index_directory(const std::filesystem::path& working_directory);

}  // namespace kestram::lexpage

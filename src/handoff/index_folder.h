// The hand-off outside the dialogue: the steps the dialogue's hand-off runs
// through the command interpreter, done on the files themselves, in a folder
// anywhere, and waited for.
#pragma once

#include <filesystem>
#include <string>

namespace kestram {

// The indexer's folder beside a page when none is named.
constexpr char kIndexFolderName[] = "lexpage";

// Makes `folder` and its htm_in when missing and empties htm_in of files,
// copies the page into htm_in, and wget.exe (when there) and the indexing
// program from `program_dir` into the folder; the indexing program is the
// last lexpage_*.exe of `program_dir` in the order of a listing. Then runs it
// in the folder and waits until it ends, so that the next hand-off to the
// same folder cannot empty htm_in under it. Returns "" or why it failed.
std::string index_page(const std::filesystem::path& page, const std::filesystem::path& folder,
                       const std::filesystem::path& program_dir);

}  // namespace kestram

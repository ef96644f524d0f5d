// htm_out/ holds the index pages and the library together, and is replaced
// as a whole: a run builds the next htm_out beside it, in htm_out.new, and
// puts it in place at once. A run broken off at any point leaves htm_out as
// it was or as it was to be, never a mix; the next run finishes or undoes
// the replacement first (recover_site).
//
// Where the system swaps two directories in one step (Linux), that step is
// the replacement. Elsewhere (Windows) htm_out becomes htm_out.old and
// htm_out.new becomes htm_out; a break between the two renames leaves no
// htm_out for a moment, and the next run puts the complete new one in place.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "text/line_sink.h"

namespace kestram::lexpage {

// Called before each change to the files of the library and htm_out, so
// that a test can break off a run at any of them.
using StepHook = std::function<void()>;

// Files and folders this program makes in htm_out/; everything else there
// is the user's and is carried into every new htm_out.
bool is_own_entry(std::string_view name);

// The file in htm_out/ whose presence marks a complete htm_out: it is
// written last.
constexpr std::string_view kCatalogPath = "word_lists/catalog.txt";

// Finishes or undoes a replacement of htm_out that was broken off, and
// removes what is left of it.
void recover_site(const std::filesystem::path& working_directory, const StepHook& step);

class NextSite {
 public:
  NextSite(const std::filesystem::path& working_directory, StepHook step);

  // Makes htm_out.new with its folders library/ and word_lists/.
  bool begin(std::string& error);

  std::filesystem::path current(std::string_view relative) const { return out_ / relative; }
  std::filesystem::path next(std::string_view relative) const { return staging_ / relative; }

  // Gives the next htm_out the file `relative` of the current one, unchanged:
  // a second name for the same file, or a copy where the file system has
  // none.
  bool carry(std::string_view relative, std::string& error);
  // Carries everything of the current htm_out that is not this program's,
  // and the folders in library/: files by a second name, folders with all
  // they hold.
  bool carry_users_files(std::string& error);

  // Writes the file `relative` of the next htm_out.
  bool write(std::string_view relative, const std::function<void(LineSink&)>& writer,
             std::string& error);

  // Puts the complete next htm_out in place of the current one. With
  // `in_one_step` false, the two renames are used even where the system
  // has the one step.
  bool commit(bool in_one_step, std::string& error);

 private:
  bool carry_users_entry(const std::string& relative, std::string& error);
  void step() const {
    if (step_) step_();
  }

  std::filesystem::path out_;
  std::filesystem::path staging_;
  std::filesystem::path retired_;
  StepHook step_;
};

}  // namespace kestram::lexpage

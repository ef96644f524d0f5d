#include "pipeline/conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "pipeline/outputs.h"
#include "pipeline/staging.h"
#include "pipeline/steps.h"
#include "restructure/chapter_list.h"
#include "restructure/supplement.h"
#include "text/lines.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

// Why the input cannot be read, or "". The reader would take a file it
// cannot open for one without lines, which is another failure.
std::string unreadable(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (fs::is_directory(status)) return "Is a directory";
  if (fs::exists(status) && !fs::is_regular_file(status)) return "not a plain file";
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return errno ? std::strerror(errno) : "cannot be opened";
  std::fclose(file);
  return "";
}

// The chapters file at `path`; returns why it could not be written, or "".
std::string write_chapters(const ChapterTable& table, const std::string& path) {
  LineWriter file(path);
  write_chapters_file(table, file);
  file.close();
  return file.ok() ? "" : file.error();
}

}  // namespace

Conversion convert_document(RunState& state, const SupplementAnswers& supplement, const std::string& output_dir,
                            const Clock& clock) {
  Conversion result;
  const std::string& input = state.input_file_name;
  if (std::string reason = unreadable(input); !reason.empty()) {
    result.failure = "cannot read: " + reason;
    return result;
  }
  const std::uint64_t candidates = scan_and_renumber(input, state.chapter_table, state.indent_increment);
  if (candidates == 0) {
    result.failure = "no chapter mark";
    return result;
  }

  // The base name comes from the file's own name: a directory above it may
  // hold ".txt" or "_indent" too.
  const fs::path input_path(input);
  state.base_name = base_name_of(input_path.filename().string());
  const bool supplementing = state.indent_increment == 0;
  const OutputNames names = output_names(state.base_name);
  std::vector<std::string> made = {names.chapters, names.indented};
  if (!supplementing) made.insert(made.end(), {names.page, names.table, names.companion});

  const fs::path final_dir = output_dir.empty() ? input_path.parent_path() : fs::path(output_dir);
  for (const std::string& name : made) {
    const std::string path = (final_dir / name).string();
    if (std::string reason = in_the_way(path); !reason.empty()) {
      result.failure = "cannot write " + path + ": " + reason;
      return result;
    }
  }
  Staging staging(final_dir);
  if (!staging.error().empty()) {
    result.failure = staging.error();
    return result;
  }

  std::string failure;
  auto note = [&](const std::string& name, const std::string& reason) {
    if (failure.empty() && !reason.empty()) failure = "cannot write " + staging.final_path(name) + ": " + reason;
  };
  // The indented text's size is known before it is written: one that does
  // not fit is not begun, nor is anything built from it.
  std::uint64_t identification = 0;
  if (supplementing) {
    LineReader look_ahead(input);
    identification = identification_bytes(state.chapter_table, supplement.start_chapter, supplement.extra_lines,
                                          look_ahead);
  }
  if (std::string refusal = indented_text_refusal(state, staging.final_path(names.indented), identification);
      !refusal.empty()) {
    result.failure = refusal;
    return result;
  }
  note(names.chapters, write_chapters(state.chapter_table, staging.staged(names.chapters)));
  if (supplementing) {
    note(names.indented, write_supplemented_text(state, supplement.start_chapter, supplement.extra_lines, input,
                                                 staging.staged(names.indented), clock));
  } else {
    const OutputNames staged{staging.staged(names.chapters), staging.staged(names.indented),
                             staging.staged(names.page), staging.staged(names.table),
                             staging.staged(names.companion)};
    Failures failures;
    if (one_read_serves(state, staged))
      write_from_one_read(state, staged, failures);
    else
      write_file_by_file(state, staged, failures);
    note(names.indented, failures.indented);
    note(names.page, failures.page);
    note(names.table, failures.table);
    note(names.companion, failures.companion);
  }
  if (!failure.empty()) {
    result.failure = failure;
    return result;
  }
  result.failure = staging.put_in_place(made, result.outputs);
  if (result.failure.empty() && !supplementing) result.page = staging.final_path(names.page);
  return result;
}

}  // namespace kestram

#include "cli/batch.h"

#include <exception>
#include <filesystem>
#include <new>

#include "cli/options.h"
#include "handoff/index_folder.h"
#include "pipeline/conversion.h"
#include "platform/process.h"
#include "restructure/chapter_list.h"
#include "run/product.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

// Writes text whose lines end in "\n" (or in CR LF, as the chapter list
// does) with the platform's own line ends, and one more line end.
void put_line(std::ostream& stream, std::string_view text) {
  const std::string_view end = native_line_end();
  for (std::size_t from = 0;;) {
    std::size_t at = text.find('\n', from);
    if (at == std::string_view::npos) {
      stream << text.substr(from) << end;
      return;
    }
    const std::size_t cut = at > from && text[at - 1] == '\r' ? at - 1 : at;
    stream << text.substr(from, cut - from) << end;
    from = at + 1;
    if (from == text.size()) return;
  }
}

// Converts one document and hands its page on when asked; returns why it
// failed, or "" after printing its line.
std::string convert_one(const Options& options, const std::string& file, std::string_view started_path,
                        std::ostream& out, const Clock& clock) {
  RunState state;
  state.input_file_name = file;
  state.indent_increment = options.indent_increment;
  state.toc_flag = options.toc ? 1 : 0;
  state.org_unit_code = options.org_unit_code;
  const Conversion conversion =
      convert_document(state, {options.start_chapter, options.extra_lines}, options.output_dir, clock);
  if (!conversion.failure.empty()) return conversion.failure;

  if (options.verbose) {
    // The dialogue's list for a console of unknown width.
    print_chapter_list(state.chapter_table, 0, [&out](std::string_view lines) { put_line(out, lines); });
  }
  std::string line = one_line(file) + ": " + std::to_string(state.chapter_table.chapter_count()) + " chapters ->";
  for (const std::string& output : conversion.outputs) line += " " + one_line(output);
  if (options.index) {
    const fs::path page(conversion.page);
    const fs::path folder =
        options.index_dir.empty() ? page.parent_path() / kIndexFolderName : fs::path(options.index_dir);
    if (std::string failure = index_page(page, folder, program_directory(started_path)); !failure.empty()) {
      put_line(out, line);
      return "cannot index: " + failure;
    }
    line += " (indexed in " + one_line(folder.string()) + ")";
  }
  put_line(out, line);
  return "";
}

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::string_view started_path, std::ostream& out,
                     std::ostream& err, const Clock& clock) {
  const ParsedOptions parsed = parse_options(args);
  switch (parsed.kind) {
    case ParsedOptions::Kind::kHelp:
      put_line(out, usage_text());
      return 0;
    case ParsedOptions::Kind::kVersion:
      put_line(out, kVersionLine);
      return 0;
    case ParsedOptions::Kind::kUsageError:
      put_line(err, parsed.error);
      return 2;
    case ParsedOptions::Kind::kConvert:
      break;
  }
  int status = 0;
  for (const std::string& file : parsed.options.files) {
    std::string failure;
    // A document too large for memory fails alone; the next ones may not.
    try {
      failure = convert_one(parsed.options, file, started_path, out, clock);
    } catch (const std::bad_alloc&) {
      failure = "not enough memory";
    } catch (const std::exception& error) {
      failure = error.what();
    }
    if (!failure.empty()) {
      out.flush();
      put_line(err, "kestram: " + one_line(file) + ": " + one_line(failure));
      err.flush();
      status = 1;
    }
  }
  out.flush();
  return status;
}

}  // namespace kestram

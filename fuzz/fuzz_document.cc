// Arbitrary bytes as a whole document, through a normal run's steps on files:
// the chapter scan with its renumbering, the chapter list and chapters file,
// the indented text, the page and the companion text, written both ways the
// stages can be connected. Beyond "no crash": where one read serves, both
// ways give the same bytes, and the indented text has a line for every line
// of the document unless it ended early.
//
// Input: two option bytes, then the document.
//   byte 0: indentation step (-2 to 13; with the top bit set, an absurd step
//           of 2^62 and more, which must end the indented text early)
//   byte 1: bit 0 table of contents, bit 1 an organisational-unit code,
//           bits 2-7 the console width (0 to 63, so also unknown widths)
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_check.h"
#include "pipeline/outputs.h"
#include "restructure/chapter_list.h"
#include "restructure/chapter_scan.h"
#include "restructure/renumber.h"

namespace {

namespace fs = std::filesystem;

// A file's bytes, or "<absent>".
std::string contents_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<absent>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint64_t line_count(const std::string& text) {
  kestram::LineReader reader = kestram::LineReader::from_memory(text);
  for (std::string_view line; reader.next(line);) {
  }
  return reader.line_number();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestram;
  if (size < 2) return 0;
  // The files live in a directory of this process's own, in memory where
  // /dev/shm is there, made anew for every input.
  const fs::path dir = fs::path(fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path()) /
                       ("kestram-fuzz-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const bool absurd = (data[0] & 0x80) != 0;
  const std::string document(reinterpret_cast<const char*>(data) + 2, size - 2);
  RunState state;
  state.input_file_name = (dir / "doc.txt").string();
  std::ofstream(state.input_file_name, std::ios::binary) << document;
  state.indent_increment = absurd ? (std::int64_t{1} << 62) + data[0] : static_cast<std::int64_t>(data[0] % 16) - 2;
  state.toc_flag = data[1] & 1;
  state.org_unit_code = (data[1] & 2) != 0 ? "HR & <x>" : "";

  ChapterTable& table = state.chapter_table;
  LineReader input(state.input_file_name);
  const std::uint64_t candidates = scan_chapter_marks(input, table);
  if (candidates == 0) return 0;  // the run ends here
  table.set_candidate_count(candidates);
  renumber_chapters(table, state.indent_increment);
  print_chapter_list(table, data[1] >> 2, [](std::string_view) {});
  LineWriter chapters_file((dir / "doc_chapters.txt").string());
  write_chapters_file(table, chapters_file);
  FUZZ_CHECK(chapters_file.close());

  const OutputNames one = output_names((dir / "one").string());
  const OutputNames each = output_names((dir / "each").string());
  Failures each_failed;
  write_file_by_file(state, each, each_failed);
  FUZZ_CHECK(each_failed.page.empty() && each_failed.table.empty() && each_failed.companion.empty());
  if (one_read_serves(state, one)) {
    Failures one_failed;
    write_from_one_read(state, one, one_failed);
    for (const std::string OutputNames::*file :
         {&OutputNames::indented, &OutputNames::page, &OutputNames::table, &OutputNames::companion})
      FUZZ_CHECK(contents_of(one.*file) == contents_of(each.*file));
  }
  if (each_failed.indented.empty()) FUZZ_CHECK(line_count(contents_of(each.indented)) == line_count(document));
  else FUZZ_CHECK(absurd && each_failed.indented.rfind("indentation of ", 0) == 0);
  return 0;
}

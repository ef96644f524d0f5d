// Arbitrary bytes as a whole document, through a normal run's steps on
// files: the chapter scan with its renumbering, the chapter list and chapters
// file, then the indented text, the page with its contents and table blocks,
// and the companion text, written both ways the stages can be connected.
//
// Input: two option bytes, then the document.
//   byte 0: indentation step (-2 to 13; with the top bit set, an absurd step
//           of 2^62 and more, whose text the run refuses before writing it)
//   byte 1: bit 0 table of contents, bit 1 an organisational-unit code,
//           bits 2-7 the console width (0 to 63, so also unknown widths)
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_common.h"
#include "html/companion_text.h"
#include "html/page_frame.h"
#include "pipeline/outputs.h"
#include "pipeline/steps.h"
#include "restructure/chapter_list.h"
#include "restructure/indent_pass.h"
#include "text/text.h"

using namespace kestram;
namespace fs = std::filesystem;

namespace {

// The run's files: a directory made anew for every input, in memory if it can.
struct WorkDirectory {
  const fs::path path = (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                        ("kestram-fuzz-" + std::to_string(getpid()));
  WorkDirectory() { fs::create_directories(path); }
  ~WorkDirectory() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::string operator/(const char* name) const { return (path / name).string(); }
};

// A file's bytes, or "<absent>".
std::string contents_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<absent>";
}

// Which lines of the indented text (numbered from 1) belong to a table block,
// found without the body pass: a "table_start:" line holding no link marker
// (whose letters escaping leaves alone) opens a block, which runs through its
// "table_end:" line or to the end.
std::vector<bool> table_block_lines(const std::vector<std::string_view>& lines) {
  std::vector<bool> inside(lines.size() + 1, false);
  bool in_block = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const bool opens = is_keyword_line(lines[i], "table_start:") && find_lower(lines[i], "http") == std::string::npos &&
                       find_lower(lines[i], "file:///") == std::string::npos;
    inside[i + 1] = in_block || opens;
    in_block = in_block ? !is_keyword_line(lines[i], "table_end:") : opens;
  }
  return inside;
}

// Whether the tags of the lines nest: each "<name" closed by a later
// "</name>", innermost first (declarations "<!" and "<meta" stand alone).
bool tags_nest(const std::vector<std::string_view>& lines) {
  std::vector<std::string_view> open;
  for (std::string_view line : lines)
    for (std::size_t at = line.find('<'); at != std::string_view::npos; at = line.find('<', at + 1)) {
      const std::string_view name = line.substr(at + 1, line.find_first_of(" >", at) - at - 1);
      if (name.empty() || name[0] == '!' || name == "meta") continue;
      if (name[0] != '/') open.push_back(name);
      else if (open.empty() || open.back() != name.substr(1)) return false;
      else open.pop_back();
    }
  return open.empty();
}

bool all_written(const Failures& failed) {
  return failed.indented.empty() && failed.page.empty() && failed.table.empty() && failed.companion.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool absurd = (data[0] & 0x80) != 0;
  const std::string_view document(reinterpret_cast<const char*>(data) + 2, size - 2);
  const WorkDirectory directory;
  RunState state;
  state.input_file_name = directory / "doc.txt";
  std::ofstream(state.input_file_name, std::ios::binary).write(document.data(), document.size());
  state.indent_increment = absurd ? (std::int64_t{1} << 62) + data[0] : static_cast<std::int64_t>(data[0] % 16) - 2;
  state.toc_flag = data[1] & 1;
  state.org_unit_code = (data[1] & 2) != 0 ? "HR & <x>" : "";
  state.base_name = directory / "doc";

  // The chapter scan with its renumbering, as the run does it.
  ChapterTable& table = state.chapter_table;
  const std::uint64_t candidates = scan_and_renumber(state.input_file_name, table, state.indent_increment);
  if (candidates == 0) return 0;  // the run ends here
  FUZZ_CHECK(table.chapter_count() <= candidates);

  // The list comes in blocks of lines joined by CR LF; every block ends a line.
  std::uint64_t printed = 0;
  print_chapter_list(table, data[1] >> 2, [&printed](std::string_view block) {
    ++printed;
    for (std::size_t at = block.find("\r\n"); at != std::string_view::npos; at = block.find("\r\n", at + 2)) ++printed;
  });
  FUZZ_CHECK(printed >= table.chapter_count() + 1);
  LineWriter chapters_out(directory / "doc_chapters.txt");
  write_chapters_file(table, chapters_out);
  FUZZ_CHECK(chapters_out.close());

  // The size of the indented text, known before it is written; the run
  // refuses an absurd one, which no disk holds.
  const std::uint64_t indented_size = indented_text_size(table, state.org_unit_code);
  bool any_indented_chapter = false;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) any_indented_chapter |= table.level(row) > 0;
  if (absurd && any_indented_chapter) {
    FUZZ_CHECK(indented_size >= (std::uint64_t{1} << 62));
    return 0;
  }

  // The run's way, and each output from the file before it; where one read
  // serves, both give the same bytes.
  const OutputNames one = output_names(directory / "one");
  const OutputNames each = output_names(directory / "each");
  Failures each_failed;
  write_file_by_file(state, each, each_failed);
  FUZZ_CHECK(all_written(each_failed));
  if (one_read_serves(state, one)) {
    Failures one_failed;
    write_from_one_read(state, one, one_failed);
    FUZZ_CHECK(all_written(one_failed));
    for (auto file : {&OutputNames::indented, &OutputNames::page, &OutputNames::table, &OutputNames::companion})
      FUZZ_CHECK(contents_of(one.*file) == contents_of(each.*file));
  }

  // One indented line for every input line, whatever the bytes, and as
  // many bytes as known beforehand.
  const std::string indented = contents_of(each.indented);
  const std::vector<std::string_view> indented_lines = lines_of(indented);
  FUZZ_CHECK(indented_lines.size() == lines_of(document).size());
  FUZZ_CHECK(indented.size() == indented_size);

  // The page is its frame (the page of no body: opening lines, closing lines)
  // around the body; the frame's tags nest, it declares the document's
  // encoding, and the companion text knows every frame line for one.
  std::string frame_text;
  StringSink frame_sink(frame_text);
  Page(table, frame_sink).finish();
  const std::vector<std::string_view> frame = lines_of(frame_text);
  const std::string page = contents_of(each.page);
  const std::vector<std::string_view> page_lines = lines_of(page);
  FUZZ_CHECK(std::all_of(frame.begin(), frame.end(), [](std::string_view line) { return is_frame_line(line); }));
  FUZZ_CHECK(tags_nest(frame));
  FUZZ_CHECK(std::count(frame.begin(), frame.end(),
                        table.totals().utf8 ? kUtf8ContentTypeLine : kWindows1252ContentTypeLine) == 1);
  FUZZ_CHECK(page_lines.size() >= frame.size());
  const std::size_t opening = std::mismatch(frame.begin(), frame.end(), page_lines.begin()).first - frame.begin();
  const std::size_t closing = std::mismatch(frame.rbegin(), frame.rend(), page_lines.rbegin()).first - frame.rbegin();
  FUZZ_CHECK(opening + closing >= frame.size());

  // Every heading outside a table block is an anchor, a span with the chapter
  // number as its id, in file order, and no other line opens with a span; a
  // heading inside a block gives its id to a cell or an anchor of its own.
  const std::vector<bool> in_block = table_block_lines(indented_lines);
  std::vector<std::string> expected;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::uint64_t line = table.mark_line(row);
    const std::string id = "ID=\"" + std::string(table.chapter_number(row)) + "\"";
    if (line > indented_lines.size()) continue;
    if (!in_block[line]) expected.push_back(id + "><b>");
    else if (!table.chapter_number(row).empty())
      FUZZ_CHECK(page.find("<td " + id) != std::string::npos || page.find("<a " + id + "></a>") != std::string::npos);
  }
  std::size_t next = 0;
  const std::size_t body_end = page_lines.size() - (frame.size() - opening);
  for (std::size_t i = opening; i < body_end; ++i) {
    const std::string_view line = page_lines[i].substr(leading_blanks(page_lines[i]));
    if (line.substr(0, 5) != "<span") continue;
    const std::size_t id = line.find(" ID=\"");
    FUZZ_CHECK(next < expected.size() && id != std::string_view::npos &&
               line.compare(id + 1, expected[next].size(), expected[next]) == 0);
    ++next;
  }
  FUZZ_CHECK(next == expected.size());

  // The companion text is the page without its frame lines.
  FUZZ_CHECK(lines_of(contents_of(each.companion)).size() + frame.size() <= page_lines.size());
  return 0;
}

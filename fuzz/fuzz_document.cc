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
//
// The files live in a directory of their own, in memory where /dev/shm is
// there, made anew for every input.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "html/page_frame.h"
#include "pipeline/outputs.h"
#include "restructure/chapter_list.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "text/lines.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kOpeningLines[] = {
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
    "<html>",
    "<head>",
    "",  // the content-type line, which depends on the document
    "</head>",
    "<body>",
    "<pre>",
    "<p style=\"font-family:Arial; font-size:100%;\">",
};
constexpr std::string_view kClosingLines[] = {"</p>", "</pre>", "</body>", "</html>"};
constexpr std::string_view kAnchorOpening = "<span style=\"color:blue\"; ID=\"";

// The directory of this process's files, there while one input is handled.
class WorkDirectory {
 public:
  WorkDirectory() { std::filesystem::create_directories(path()); }
  ~WorkDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path(), ignored);
  }
  static const std::filesystem::path& path() {
    static const std::filesystem::path directory =
        (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path()) /
        ("kestram-fuzz-" + std::to_string(getpid()));
    return directory;
  }
};

std::string in_work_directory(const std::string& name) { return (WorkDirectory::path() / name).string(); }

// A file's bytes, or "<absent>".
std::string contents_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<absent>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  LineReader reader = LineReader::from_memory(text);
  std::string_view line;
  while (reader.next(line)) lines.push_back(line);
  return lines;
}

// Whether the line holds a link marker; such a line opens no table block.
// "<" and ">" are no letters of a marker, so the test on the raw line agrees
// with the test on the escaped one.
bool holds_link(std::string_view line) {
  return find_lower(line, "http") != std::string_view::npos ||
         find_lower(line, "file:///") != std::string_view::npos;
}

// The lines of the indented text that belong to a table block, found without
// the body pass: a "table_start:" line that is no link opens a block, which
// runs through its "table_end:" line or to the end.
std::vector<bool> table_block_lines(const std::vector<std::string_view>& lines) {
  std::vector<bool> inside(lines.size() + 1, false);
  bool in_block = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (in_block) {
      inside[i + 1] = true;
      if (is_keyword_line(lines[i], "table_end:")) in_block = false;
    } else if (is_keyword_line(lines[i], "table_start:") && !holds_link(lines[i])) {
      in_block = true;
      inside[i + 1] = true;
    }
  }
  return inside;
}

}  // namespace
}  // namespace kestram

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestram;
  if (size < 2) return 0;
  const bool absurd = (data[0] & 0x80) != 0;
  const std::int64_t increment =
      absurd ? (std::int64_t{1} << 62) + data[0] : static_cast<std::int64_t>(data[0] % 16) - 2;
  const bool with_contents = (data[1] & 1) != 0;
  const std::string org_unit_code = (data[1] & 2) != 0 ? "HR & <x>" : "";
  const int console_width = data[1] >> 2;
  const std::string_view document(reinterpret_cast<const char*>(data) + 2, size - 2);

  const WorkDirectory directory;
  RunState state;
  state.input_file_name = in_work_directory("doc.txt");
  {
    std::ofstream out(state.input_file_name, std::ios::binary | std::ios::trunc);
    out.write(document.data(), static_cast<std::streamsize>(document.size()));
  }
  state.indent_increment = increment;
  state.toc_flag = with_contents ? 1 : 0;
  state.org_unit_code = org_unit_code;
  state.base_name = in_work_directory("doc");

  // The chapter scan with its renumbering, as the run does it.
  ChapterTable& table = state.chapter_table;
  LineReader input(state.input_file_name);
  const std::uint64_t candidates = scan_chapter_marks(input, table);
  if (candidates == 0) return 0;  // the run ends here
  table.set_candidate_count(candidates);
  renumber_chapters(table, increment);
  FUZZ_CHECK(table.chapter_count() <= candidates);

  // The list comes in blocks of lines joined by CR LF; every block ends a line.
  std::uint64_t printed = 0;
  print_chapter_list(table, console_width, [&printed](std::string_view block) {
    ++printed;
    for (std::size_t at = block.find("\r\n"); at != std::string_view::npos; at = block.find("\r\n", at + 2)) ++printed;
  });
  FUZZ_CHECK(printed >= table.chapter_count() + 1);
  LineWriter chapters_out(in_work_directory("doc_chapters.txt"));
  write_chapters_file(table, chapters_out);
  FUZZ_CHECK(chapters_out.close());

  // The size of the indented text, known before it is written; the run
  // refuses an absurd one, which no disk holds.
  bool any_indented_chapter = false;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) any_indented_chapter |= table.level(row) > 0;
  const std::uint64_t indented_size = indented_text_size(table, org_unit_code);
  if (absurd && any_indented_chapter) {
    FUZZ_CHECK(indented_size >= (std::uint64_t{1} << 62));
    return 0;
  }

  // The run's way, and each output from the file before it; where one read
  // serves, both give the same bytes.
  const OutputNames one = output_names(in_work_directory("one"));
  const OutputNames each = output_names(in_work_directory("each"));
  const bool one_read = one_read_serves(state, one);
  Failures each_failed;
  write_file_by_file(state, each, each_failed);
  FUZZ_CHECK(each_failed.page.empty() && each_failed.table.empty() && each_failed.companion.empty());
  if (one_read) {
    Failures one_failed;
    write_from_one_read(state, one, one_failed);
    FUZZ_CHECK(one_failed.indented.empty() && one_failed.page.empty() && one_failed.table.empty() &&
               one_failed.companion.empty());
    for (const std::string OutputNames::*file :
         {&OutputNames::indented, &OutputNames::page, &OutputNames::table, &OutputNames::companion})
      FUZZ_CHECK(contents_of(one.*file) == contents_of(each.*file));
  }

  // One indented line for every input line, whatever the bytes, and as
  // many bytes as known beforehand.
  const std::string indented = contents_of(each.indented);
  const std::vector<std::string_view> input_lines = lines_of(document);
  const std::vector<std::string_view> indented_lines = lines_of(indented);
  FUZZ_CHECK(each_failed.indented.empty());
  FUZZ_CHECK(indented_lines.size() == input_lines.size());
  FUZZ_CHECK(indented.size() == indented_size);

  const std::string page = contents_of(each.page);
  const std::vector<std::string_view> page_lines = lines_of(page);
  constexpr std::size_t kOpening = std::size(kOpeningLines);
  constexpr std::size_t kClosing = std::size(kClosingLines);
  FUZZ_CHECK(page_lines.size() >= kOpening + kClosing);
  for (std::size_t i = 0; i < kOpening; ++i)
    FUZZ_CHECK(page_lines[i] == (i == 3 ? (table.totals().utf8 ? kUtf8ContentTypeLine : kWindows1252ContentTypeLine)
                                        : kOpeningLines[i]));
  for (std::size_t i = 0; i < kClosing; ++i)
    FUZZ_CHECK(page_lines[page_lines.size() - kClosing + i] == kClosingLines[i]);

  // line_count continuity: every heading outside a table block carries its
  // anchor, in file order, and nothing else looks like one; a heading inside
  // a block gives its id to a cell or an anchor of its own.
  const std::vector<bool> in_block = table_block_lines(indented_lines);
  std::vector<std::string> expected;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const std::uint64_t line = table.mark_line(row);
    if (line > indented_lines.size()) continue;
    const std::string number(table.chapter_number(row));
    if (in_block[line]) {
      if (!number.empty())
        FUZZ_CHECK(page.find("<td ID=\"" + number + "\"") != std::string::npos ||
                   page.find("<a ID=\"" + number + "\"></a>") != std::string::npos);
      continue;
    }
    expected.push_back(std::string(kAnchorOpening) + number + "\"><b>");
  }
  std::size_t next = 0;
  for (std::size_t i = kOpening; i + kClosing < page_lines.size(); ++i) {
    const std::string_view line = page_lines[i].substr(leading_blanks(page_lines[i]));
    if (line.substr(0, kAnchorOpening.size()) != kAnchorOpening) continue;
    FUZZ_CHECK(next < expected.size());
    FUZZ_CHECK(line.substr(0, expected[next].size()) == expected[next]);
    ++next;
  }
  FUZZ_CHECK(next == expected.size());

  // The companion text is the page without its frame lines.
  const std::string companion = contents_of(each.companion);
  const std::vector<std::string_view> companion_lines = lines_of(companion);
  FUZZ_CHECK(companion_lines.size() + kOpening + kClosing <= page_lines.size());
  return 0;
}

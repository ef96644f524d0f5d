// The two ways of connecting the output stages give the same files. What the
// files hold is shown by tests/examples/; here real documents (and a few odd
// ones) go both ways.
#include "pipeline/outputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pipeline/steps.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "support/temp_dir.h"
#include "text/lines.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string file_or_absent(const std::string& path) {
  return fs::exists(path) ? testing::read_file(path) : "<absent>";
}

// Both ways, into two sets of names, with and without contents and a unit
// code, give the same four files, no failure, one indented line per line of
// the document, and an indented text of the size known before it was written.
// The one read works from a table renumbered behind the scan, as the run
// makes it, the other way from one renumbered after the scan.
void expect_same_outputs(const std::string& what, const std::string& text) {
  for (const char* unit : {"", "<u>"}) {
    SCOPED_TRACE(what + " unit " + unit);
    testing::TempDir dir;
    testing::write_file(dir.file("doc.txt"), text);
    RunState state;
    RunState serial;
    for (RunState* each : {&state, &serial}) {
      each->input_file_name = dir.file("doc.txt");
      each->toc_flag = *unit == '\0' ? 0 : 1;
      each->org_unit_code = unit;
      each->indent_increment = *unit == '\0' ? 2 : 7;
    }
    scan_and_renumber(state.input_file_name, state.chapter_table, state.indent_increment);
    LineReader input(serial.input_file_name);
    serial.chapter_table.set_candidate_count(scan_chapter_marks(input, serial.chapter_table));
    renumber_chapters(serial.chapter_table, serial.indent_increment);
    const OutputNames one = output_names(dir.file("one"));
    const OutputNames each = output_names(dir.file("each"));
    ASSERT_TRUE(one_read_serves(state, one));
    Failures one_failed;
    Failures each_failed;
    write_from_one_read(state, one, one_failed);
    write_file_by_file(serial, each, each_failed);
    for (const std::string Failures::*reason : {&Failures::indented, &Failures::page, &Failures::table,
                                               &Failures::companion})
      EXPECT_EQ("", one_failed.*reason + each_failed.*reason);
    for (const std::string OutputNames::*file : {&OutputNames::indented, &OutputNames::page, &OutputNames::table,
                                                &OutputNames::companion})
      EXPECT_TRUE(file_or_absent(each.*file) == file_or_absent(one.*file)) << each.*file;
    LineReader document = LineReader::from_memory(text);
    LineReader indented(one.indented);
    for (std::string_view line; document.next(line);) {
    }
    for (std::string_view line; indented.next(line);) {
    }
    EXPECT_EQ(document.line_number(), indented.line_number());
    EXPECT_EQ(fs::file_size(one.indented), indented_text_size(state.chapter_table, unit));
  }
}

TEST(Outputs, BothWaysGiveTheSameFilesForRealDocuments) {
  const fs::path source = KESTRAM_SOURCE_DIR;
  std::vector<fs::path> documents = {source / "sample/Report.txt", source / "tests/data/fhs-3.0.txt"};
  const fs::path corpus = source.parent_path() / "shared" / "corpus";
  if (fs::exists(corpus))
    for (const auto& entry : fs::directory_iterator(corpus)) documents.push_back(entry.path());
  for (const fs::path& document : documents)
    expect_same_outputs(document.filename().string(), testing::read_file(document.string()));
}

TEST(Outputs, BothWaysGiveTheSameFilesForOddDocuments) {
  const std::string long_line(700'000, 'w');  // longer than a batch of the page's thread
  expect_same_outputs("odd", "1. T\ntable_start: <Cap>\ncolumn: A\n1.1 Cell\n<i>x</i>\ntable_end:\n"
                             "1.2 After\ntable_start: open\ncolumn: B\ny\n<b>Top</b>\n2. <b>Bold</b>\n  <pre>\n"
                             "<p style=x>\n</html>\nsee http://x.org/<a> and file:///c/d\nlook_at: 1.\n"
                             "3. A\rtext\r\r4. B\r\n\0\n5.\0 C\nx\0<y>\0\n. Alone\n"s +
                                 long_line + "<x>\n6. " + long_line + "\n");
  // Many blocks of rows for the renumbering behind the scan.
  std::string many;
  for (int i = 1; i <= 9000; ++i) many += std::to_string(i) + ". A\n" + std::to_string(i) + ".1 B\n.. C\nx\n";
  expect_same_outputs("many", many);
}

}  // namespace
}  // namespace kestram

// The two ways of connecting the output stages give the same files.
#include "pipeline/outputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/chapter_rows.h"
#include "support/temp_dir.h"
#include "text/lines.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// The state a run has when it writes its outputs: the input in `dir`, its
// chapters scanned and renumbered as the run does.
RunState state_for(const testing::TempDir& dir, const std::string& text, std::int64_t increment, int toc,
                   const std::string& unit) {
  RunState state;
  state.input_file_name = dir.file("doc.txt");
  testing::write_file(state.input_file_name, text);
  state.indent_increment = increment;
  state.toc_flag = toc;
  state.org_unit_code = unit;
  state.base_name = dir.file("doc");
  LineReader input(state.input_file_name);
  state.chapter_table = testing::table_of_input(input, increment);
  return state;
}

std::string file_or_absent(const std::string& path) {
  return fs::exists(path) ? testing::read_file(path) : "<absent>";
}

// Both ways, into two sets of names, give the same four files and no
// failure.
void expect_same_outputs(const std::string& what, const std::string& text) {
  struct Setting {
    int toc;
    const char* unit;
  };
  for (const Setting& s : {Setting{0, ""}, Setting{1, ""}, Setting{0, "HR"}, Setting{1, "<u>"}}) {
    SCOPED_TRACE(what + " contents " + std::to_string(s.toc) + " unit " + s.unit);
    testing::TempDir dir;
    const RunState state = state_for(dir, text, 2, s.toc, s.unit);
    ASSERT_GT(state.chapter_table.candidate_count(), 0u) << "the run would end before its outputs";
    const OutputNames one = output_names(dir.file("one"));
    const OutputNames each = output_names(dir.file("each"));
    ASSERT_TRUE(one_read_serves(state, one));
    Failures one_failed;
    Failures each_failed;
    write_from_one_read(state, one, one_failed);
    write_file_by_file(state, each, each_failed);
    const std::string Failures::*reasons[] = {&Failures::indented, &Failures::page, &Failures::table,
                                              &Failures::companion};
    for (const std::string Failures::*reason : reasons) {
      EXPECT_EQ("", one_failed.*reason);
      EXPECT_EQ("", each_failed.*reason);
    }
    const std::string OutputNames::*files[] = {&OutputNames::indented, &OutputNames::page, &OutputNames::table,
                                               &OutputNames::companion};
    for (const std::string OutputNames::*file : files) {
      const std::string expected = file_or_absent(each.*file);
      EXPECT_TRUE(expected == file_or_absent(one.*file)) << each.*file;
    }
    EXPECT_NE("<absent>", file_or_absent(one.page));
  }
}

TEST(Outputs, BothWaysGiveTheSameFilesForRealDocuments) {
  const fs::path source = KESTRAM_SOURCE_DIR;
  std::vector<fs::path> documents = {source / "sample/Report.txt", source / "tests/data/fhs-3.0.txt"};
  const fs::path corpus = source.parent_path() / "shared" / "corpus";
  for (const char* name : {"constitution.txt", "rfc3986.txt"})
    if (fs::exists(corpus / name)) documents.push_back(corpus / name);
  for (const fs::path& document : documents)
    expect_same_outputs(document.filename().string(), testing::read_file(document.string()));
}

TEST(Outputs, BothWaysGiveTheSameFilesForHostileDocuments) {
  const std::string long_line(700'000, 'w');  // longer than a batch of the page's thread
  struct Case {
    const char* what;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{
           {"tables", "1. T\ntable_start: <Cap>\ncolumn: A\nalign: right\n1.1 Cell\n<i>x</i>\ntable_end:\n"
                      "1.2 After\ntable_start: open\ncolumn: B\ny\n"},
           {"links and references", "1. A\nsee http://x.org/<a> and file:///c/d\nlook_at: 1.\nlook_at: 9.\n"
                                    "2. B\n  LOOK_AT: 2\n"},
           {"bold and frame-like lines", "<b>Top</b>\n1. <b>Bold</b>\n  <pre>\n<p style=x>\n</html>\n"
                                         "<!DOCTYPE html>\n2. End <meta http-equiv>\n"},
           {"CR line ends", "1. A\rtext\r\r2. B\r\nmore\r"},
           {"NUL bytes", "1. A\0B\n\0\n2.\0 C\nx\0<y>\0\n"s},
           {"a mark without a chapter number", ". Alone\n1. A\nbody\n"},
           {"long lines", "1. " + long_line + "\n" + long_line + "<x>\n2. B\n" + long_line + "\n"},
       })
    expect_same_outputs(c.what, c.text);
}

TEST(Outputs, OneReadDoesNotServe) {
  struct Case {
    const char* what;
    std::string text;
    std::int64_t increment;
    std::string unit;
    // Names `link` after one of the names of the run, pointing at `target`.
    std::string link;
    std::string target;
  };
  for (const Case& c : std::vector<Case>{
           {"a CR in the unit code", "1. A\n", 2, "H\rR", "", ""},
           {"an LF in the unit code", "1. A\n", 2, "H\nR", "", ""},
           {"page linked to the indented text", "1. A\n", 2, "", "out_indent.htm", "out_indent.txt"},
           {"companion linked to the input", "1. A\n", 2, "", "out_com_ndx.txt", "doc.txt"},
           {"table file linked to the page, neither there yet", "1. A\n", 2, "", "out_table.txt",
            "out_indent.htm"},
           {"chapters file linked to the input", "1. A\n", 2, "", "out_chapters.txt", "doc.txt"},
       }) {
    testing::TempDir dir;
    const RunState state = state_for(dir, c.text, c.increment, 1, c.unit);
    if (!c.link.empty()) {
      if (c.target != "out_indent.htm") testing::write_file(dir.file(c.target), "");
      std::error_code ec;
      fs::create_symlink(c.target, dir.file(c.link), ec);
      // Where no link can be made (as under wine), the case is left out.
      if (ec || !fs::is_symlink(fs::symlink_status(dir.file(c.link), ec))) continue;
    }
    EXPECT_FALSE(one_read_serves(state, output_names(dir.file("out")))) << c.what;
  }
  testing::TempDir dir;
  EXPECT_TRUE(one_read_serves(state_for(dir, "1. A\n1.1 B\n", 5000, 1, "HR"), output_names(dir.file("out"))));
}

}  // namespace
}  // namespace kestram

#include "run/render_steps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "html/companion_text.h"
#include "html/page_frame.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "support/scripted_console.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

class NoShell : public Shell {
 public:
  void run(std::string_view) override { ADD_FAILURE() << "no command is run here"; }
};

class NoClock : public Clock {
 public:
  TimeOfDay now() const override { return {}; }
};

// Finds and renumbers the chapter marks of the state's document, as the step
// before does; false when it has none.
bool scan_and_renumber(RunState& state) {
  LineReader input(state.input_file_name);
  if (scan_chapter_marks(input, state.chapter_table) == 0) return false;
  renumber_chapters(state.chapter_table, state.indent_increment);
  return true;
}

// Runs the indentation step's pass on the state's document and returns what
// it printed.
std::string run_indentation_pass(RunState& state) {
  testing::ScriptedConsole console;
  NoShell shell;
  NoClock clock;
  Platform platform{console, shell, clock};
  LineReader input(state.input_file_name);
  const std::string indented_name = indented_file_name(state.base_name);
  LineWriter indented(indented_name);
  write_indented_text_and_page(platform, state, input, indented_name, indented);
  return console.transcript();
}

// A document of chapter marks and the notation's keywords, mixed at random:
// table blocks open and closed, headings inside blocks, bold lines that look
// like frame lines, headings whose titles do, cross-references, links, blanks
// and odd line ends.
std::string random_document(std::mt19937& random, int line_total) {
  const char* const kPieces[] = {
      "1. One", "  2.  Two <x>", "2.1 Sub", "2.1.1.1 Deep", "3 ", "1.2.3. again", "table_start: cap",
      "column: n", "  column:", "align: right", "table_end:", "cell <td>", "", "   ",
      "<b>bold</b>", " <B><p style=x></b> ", "<b><html></b>", "look_at: 2.1", "look_at:1.", "LOOK_AT: 9.",
      "see http://x/y and", "FILE:///c/d", "plain text & more", "\t tab", "4. <p style=a> t",
      "5.1 <!DOCTYPE html>", "6. <pre>"};
  std::string text;
  for (int i = 0; i < line_total; ++i) {
    text += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
    const char* const kEnds[] = {"\n", "\r\n", "\r"};
    text += kEnds[random() % 3];
  }
  return text;
}

// Runs the indentation step's pass on the state's document and expects the
// very files that the steps after it write one after another, each read back
// from the one before.
void expect_files_of_the_steps(RunState& state, const std::string& ref) {
  const ChapterTable& table = state.chapter_table;
  {
    LineReader input(state.input_file_name);
    LineWriter indented(ref + "_indent.txt");
    write_indented_text(input, table, state.org_unit_code, indented, nullptr);
    ASSERT_TRUE(indented.close());
    LineReader indented_text(ref + "_indent.txt");
    LineWriter page(ref + "_indent.htm");
    write_page(indented_text, table, state.toc_flag > 0, [&] { return LineWriter(ref + "_table.txt"); }, page);
    ASSERT_TRUE(page.close());
    LineReader page_text(ref + "_indent.htm");
    LineWriter companion(ref + "_com_ndx.txt");
    write_companion_text(page_text, companion);
    ASSERT_TRUE(companion.close());
  }

  EXPECT_EQ("", run_indentation_pass(state));
  ASSERT_TRUE(state.page_ahead.written);
  ASSERT_TRUE(state.companion_ahead.written);
  for (const char* suffix : {"_indent.txt", "_indent.htm", "_com_ndx.txt", "_table.txt"})
    EXPECT_EQ(testing::read_file(ref + suffix), testing::read_file(state.base_name + suffix)) << suffix;
}

const char* const kUnitCodes[] = {"", "U <1>", "<meta http-equiv>"};

// The page and the companion text that the indentation pass writes on its
// way are those that the steps after it write from the files.
TEST(RenderSteps, PageWrittenWhileIndentingIsThePageOfTheIndentedText) {
  std::mt19937 random(7);
  int fused = 0;
  for (int round = 0; round < 300; ++round) {
    testing::TempDir dir;
    const std::string document = random_document(random, static_cast<int>(random() % 60));
    testing::write_file(dir.file("doc.txt"), document);
    SCOPED_TRACE(document);

    RunState state;
    state.input_file_name = dir.file("doc.txt");
    state.base_name = dir.file("doc");
    state.indent_increment = 1 + static_cast<std::int64_t>(random() % 3);
    state.toc_flag = static_cast<int>(random() % 2);
    state.org_unit_code = kUnitCodes[random() % 3];
    if (!scan_and_renumber(state)) continue;
    expect_files_of_the_steps(state, dir.file("ref"));
    ++fused;
  }
  EXPECT_GT(fused, 200);
}

// With thousands of chapters the contents entries are written on a thread of
// their own, into parts that the page and the companion text leave for them
// in front of the body: the files are the same, whether they are new or
// replace longer ones.
TEST(RenderSteps, ContentsWrittenOnTheSideFillTheirParts) {
  std::mt19937 random(11);
  for (int round = 0; round < 3; ++round) {
    testing::TempDir dir;
    testing::write_file(dir.file("doc.txt"), random_document(random, 16000));
    if (round == 2)
      for (const char* suffix : {"_indent.htm", "_com_ndx.txt"})
        testing::write_file(dir.file("doc") + suffix, std::string(4 << 20, 'z'));
    RunState state;
    state.input_file_name = dir.file("doc.txt");
    state.base_name = dir.file("doc");
    state.indent_increment = 2;
    state.toc_flag = 1;
    state.org_unit_code = kUnitCodes[round];
    ASSERT_TRUE(scan_and_renumber(state));
    ASSERT_GT(state.chapter_table.chapter_count(), 4096u);
    // The size of the part counted ahead, as the run does, or by the pass.
    if (round != 1) {
      count_side_contents(state);
      ASSERT_TRUE(state.side_contents_size.has_value());
    }
    expect_files_of_the_steps(state, dir.file("ref"));
  }
}

// Plain lines of megabytes, quiet ones and ones with links and brackets, go
// to the page on the way as well, in the same bytes.
TEST(RenderSteps, LongPlainLinesAreWrittenOnTheWay) {
  testing::TempDir dir;
  std::string quiet;
  while (quiet.size() < 3 * LineWriter::kLongestToldLine) quiet += "harbour quay budget ";
  std::string loud;
  while (loud.size() < LineWriter::kLongestToldLine + 3) loud += "a <b> & http://x/y z ";
  testing::write_file(dir.file("doc.txt"), "1. One\n" + quiet + "\n2. Two\n   " + loud + "\r\n" + loud + quiet + "\n");
  RunState state;
  state.input_file_name = dir.file("doc.txt");
  state.base_name = dir.file("doc");
  state.indent_increment = 3;
  state.toc_flag = 1;
  ASSERT_TRUE(scan_and_renumber(state));
  expect_files_of_the_steps(state, dir.file("ref"));
}

// A unit code with a CR reads back from the indented text as two lines, an
// unwritable page leaves the companion text to be made from the page file,
// and a line too long to be held on its way is left to the page step: either
// way the later steps write the files themselves.
TEST(RenderSteps, PageIsLeftToItsStepWhenTheShortcutWouldDiffer) {
  testing::TempDir dir;
  for (int kind = 0; kind < 4; ++kind) {
    // Kind 2 has a cross-reference line too long to be told, kind 3 a
    // heading too long to keep.
    const std::string long_line(LineWriter::kLongestToldLine + 1, 'x');
    testing::write_file(dir.file("doc.txt"), "1. One" + (kind == 3 ? long_line : "") + "\n" +
                                                 (kind == 2 ? "look_at: " + long_line : "") + "\n2. Two\n");
    RunState state;
    state.input_file_name = dir.file("doc.txt");
    state.base_name = dir.file("doc");
    state.toc_flag = 1;
    state.org_unit_code = kind == 0 ? "A\rB" : "";
    std::error_code ec;
    std::filesystem::remove_all(dir.file("doc_indent.htm"), ec);
    if (kind == 1) std::filesystem::create_directory(dir.file("doc_indent.htm"));
    scan_and_renumber(state);
    run_indentation_pass(state);
    EXPECT_EQ(kind == 1, state.page_ahead.written) << kind;
    EXPECT_FALSE(state.companion_ahead.written) << kind;
  }
}

// The page step makes the companion text as it writes the page, long lines
// included, unless the companion's name is a link or a long frame line turns
// up; then the companion step makes it from the page file. Either way it is
// the text that the page file gives.
TEST(RenderSteps, PageStepWritesTheCompanionTextAlong) {
  const std::string long_text(LineWriter::kLongestToldLine + 7, 'y');
  struct Case {
    std::string document;
    bool link;
    bool along;
  };
  // Each heading is too long to keep, which leaves the page to its step.
  for (const Case& c : {Case{"1. One" + long_text + "\n" + long_text + " http://x\n<b>x</b>\n2. Two\n", false, true},
                        Case{"1. One" + long_text + "\n<b>" + long_text + "<p style=x></b>\nz\n", false, false},
                        Case{"1. One" + long_text + "\nplain\n", true, false}}) {
    testing::TempDir dir;
    testing::write_file(dir.file("doc.txt"), c.document);
    RunState state;
    state.input_file_name = dir.file("doc.txt");
    state.base_name = dir.file("doc");
    state.toc_flag = 1;
    ASSERT_TRUE(scan_and_renumber(state));
    run_indentation_pass(state);
    ASSERT_FALSE(state.page_ahead.written);
    if (c.link) {
      std::error_code ec;
      std::filesystem::create_symlink(dir.file("elsewhere.txt"), dir.file("doc_com_ndx.txt"), ec);
      if (ec) continue;  // a system without links (as under wine) has no such case
    }

    testing::ScriptedConsole console;
    NoShell shell;
    NoClock clock;
    Platform platform{console, shell, clock};
    render_html_page(platform, state);
    EXPECT_EQ(c.along, state.companion_ahead.written) << c.link;
    write_companion_text_file(platform, state);
    LineReader page(dir.file("doc_indent.htm"));
    std::string expected;
    LineWriter expected_writer = LineWriter::to_memory(expected);
    write_companion_text(page, expected_writer);
    EXPECT_TRUE(expected == testing::read_file(dir.file("doc_com_ndx.txt"))) << c.link << c.along;
    EXPECT_EQ(std::string::npos, console.transcript().find("cannot write"));
  }
}

}  // namespace
}  // namespace kestram

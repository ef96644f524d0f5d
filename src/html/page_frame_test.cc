#include "html/page_frame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "html/companion_text.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "support/chapter_rows.h"
#include "support/page_lines.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

using testing::chapter_table_of;
using testing::ChapterRow;
using testing::lines;

const std::string kOpening = lines({
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
    "<html>",
    "<head>",
    "<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=UTF-8\">",
    "</head>",
    "<body>",
    "<pre>",
    "<p style=\"font-family:Arial; font-size:100%;\">",
});
const std::string kClosing = lines({"</p>", "</pre>", "</body>", "</html>"});

std::string page_of(std::string_view text, const ChapterTable& table, bool with_contents) {
  std::string page;
  std::string table_file;
  LineReader reader = LineReader::from_memory(text);
  LineWriter writer = LineWriter::to_memory(page);
  write_page(reader, table, with_contents, [&table_file] {
    table_file.clear();
    return LineWriter::to_memory(table_file);
  }, writer);
  return page;
}

TEST(PageFrame, ContentsEntries) {
  struct Case {
    const char* line;
    const char* number;
    const char* expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"    2.1 Budget (HR)", "2.1", "    <b>2.1 Budget (HR) <a href=\"#2.1\">2.1</a> </b>"},
           {"  3. Results  ", "3.", "  <b>3. Results <a href=\"#3.\">3.</a> </b>"},
           {"1. A<B> & C", "1.", "<b>1. A&lt;B&gt; & C <a href=\"#1.\">1.</a> </b>"},
           {"\t1. Tab", "1.", "<b>\t1. Tab <a href=\"#1.\">1.</a> </b>"},
           {"", "", "<b> <a href=\"#\"></a> </b>"},
       })
    EXPECT_EQ(c.expected, contents_entry(c.line, c.number)) << c.line;
}

// The entries made from the table alone, and their size counted before,
// are those made from the indented text: titles of every length with blanks
// and brackets anywhere (around the blocks that the count looks at together),
// numbers of every length, with and without a unit code.
TEST(PageFrame, ContentsFromTheTableAreThoseOfTheIndentedText) {
  std::mt19937 random(29);
  const char kTitleBytes[] = {'a', ' ', '<', '>', 'x', '&', '\t'};
  for (int round = 0; round < 40; ++round) {
    std::string document;
    std::string number;
    for (int mark = 0; mark < 60; ++mark) {
      number = random() % 3 == 0 ? std::to_string(1 + random() % 20000) + "." : number + "1.";
      if (number.size() > 40) number = "1.";
      std::string title(random() % 50, 'a');
      for (char& c : title) c = kTitleBytes[random() % (random() % 4 == 0 ? sizeof kTitleBytes : 2)];
      // Mostly a blank between number and title; without one, the title
      // joins the first word, which may make the line no mark.
      document += std::string(random() % 3, ' ') + number + (random() % 8 == 0 ? "" : " ") + title + "\n";
      if (random() % 2 == 0) document += "body line\n";
    }
    const char* const kUnits[] = {"", "HR", "<u>"};
    const std::string unit = kUnits[round % 3];
    // The scan keeps every mark line, which the entries are made from.
    ChapterTable table;
    LineReader scan_input = LineReader::from_memory(document);
    ASSERT_GT(scan_chapter_marks(scan_input, table), 0u);
    renumber_chapters(table, 1 + round % 3);

    LineReader input = LineReader::from_memory(document);
    std::string indented;
    LineWriter indented_writer = LineWriter::to_memory(indented);
    write_indented_text(input, table, unit, indented_writer, nullptr);
    LineReader indented_reader = LineReader::from_memory(indented);
    std::string expected;
    LineWriter expected_writer = LineWriter::to_memory(expected);
    write_contents(indented_reader, table, expected_writer);

    // With a copy (every other round), the copy takes the very entries.
    std::string from_table;
    std::string copied;
    LineWriter from_table_writer = LineWriter::to_memory(from_table);
    LineWriter copy_writer = LineWriter::to_memory(copied);
    write_contents_from_table(table, unit, from_table_writer, round % 2 == 0 ? &copy_writer : nullptr);
    ASSERT_EQ(expected, from_table) << document;
    ASSERT_EQ(round % 2 == 0 ? expected : "", copied) << document;
    ASSERT_EQ(expected.size(), contents_from_table_size(table, unit)) << document;
  }
}

// A copy of the entries holds the very lines of the page, those of rows
// without a chapter number included, which are made the long way.
TEST(PageFrame, ContentsCopyHoldsEveryEntry) {
  ChapterTable table;
  table.add_row("1.", 1, "1. A <x>");
  table.set_chapter(1, "1.", 1);
  table.add_row("1.1", 2, "1.1 B");
  table.set_chapter(2, "", 2);
  table.add_row("2.", 3, "2. C");
  table.set_chapter(3, "2.", 1);
  table.finish();
  std::string page;
  std::string copied;
  LineWriter page_writer = LineWriter::to_memory(page);
  LineWriter copy_writer = LineWriter::to_memory(copied);
  write_contents_from_table(table, "U", page_writer, &copy_writer);
  EXPECT_EQ(lines({"<b>1. A &lt;x&gt; (U) <a href=\"#1.\">1.</a> </b>", "<b>1.1 B <a href=\"#\"></a> </b>",
                   "<b>2. C (U) <a href=\"#2.\">2.</a> </b>"}),
            page);
  EXPECT_EQ(page, copied);
}

TEST(PageFrame, FrameWithAndWithoutContents) {
  const ChapterTable none = chapter_table_of({});
  EXPECT_EQ(kOpening + lines({"text"}) + kClosing, page_of("text", none, false));
  // Contents asked for but no heading line: the four contents lines stand together.
  EXPECT_EQ(kOpening +
                lines({"<b>TABLE OF CONTENTS</b>", "<br>", "<b>END TABLE OF CONTENTS</b>", "<br>", "text"}) +
                kClosing,
            page_of("text", none, true));
  EXPECT_EQ(kOpening + kClosing, page_of("", none, false));
}

// Golden pages: tests/golden/html/<case>/ holds indented.txt, case.txt
// ("contents: yes|no" and "chapter: <mark line> <chapter number>" lines) and
// the expected page, companion text and last table file.
struct GoldenCase {
  bool with_contents = false;
  std::vector<ChapterRow> rows;
};

GoldenCase read_case(const std::string& path) {
  GoldenCase golden;
  std::istringstream in(testing::read_file(path));
  std::string key;
  while (in >> key) {
    if (key == "contents:") {
      std::string value;
      in >> value;
      golden.with_contents = value == "yes";
    } else if (key == "chapter:") {
      ChapterRow row;
      in >> row.mark_line >> row.chapter_number;
      golden.rows.push_back(row);
    }
  }
  return golden;
}

// The first differing line, for a readable failure.
std::string first_difference(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected), a(actual);
  std::string el, al;
  for (int number = 1;; ++number) {
    const bool more_e = static_cast<bool>(std::getline(e, el));
    const bool more_a = static_cast<bool>(std::getline(a, al));
    if (!more_e && !more_a) return "same lines, different bytes";
    if (el != al || more_e != more_a)
      return "line " + std::to_string(number) + ":\n  expected: " + (more_e ? el : "<end>") +
             "\n  actual:   " + (more_a ? al : "<end>");
  }
}

TEST(PageFrame, GoldenPages) {
  const std::filesystem::path root = std::filesystem::path(KESTRAM_SOURCE_DIR) / "tests/golden/html";
  const std::filesystem::path out_dir = std::filesystem::path(KESTRAM_BINARY_DIR) / "html_pages";
  std::filesystem::create_directories(out_dir);
  int cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++cases;
    const GoldenCase golden = read_case((entry.path() / "case.txt").string());
    const ChapterTable table = chapter_table_of(golden.rows);

    // A run on disk, as the program does it.
    testing::TempDir dir;
    const std::string base = dir.file(name);
    {
      LineReader indented((entry.path() / "indented.txt").string());
      LineWriter page(html_file_name(base));
      write_page(indented, table, golden.with_contents,
                 [&base] { return LineWriter(table_file_name(base)); }, page);
      ASSERT_TRUE(page.close()) << page.error();
    }
    {
      LineReader page(html_file_name(base));
      LineWriter companion(dir.file(companion_file_name(name)));
      write_companion_text(page, companion);
    }
    const std::string page = testing::read_file(html_file_name(base));
    const std::string expected_page = testing::read_file((entry.path() / "expected_indent.htm").string());
    EXPECT_EQ(expected_page, page) << first_difference(expected_page, page);
    const std::string companion = testing::read_file(dir.file(name + "_com_ndx.txt"));
    const std::string expected_companion = testing::read_file((entry.path() / "expected_com_ndx.txt").string());
    EXPECT_EQ(expected_companion, companion) << first_difference(expected_companion, companion);
    EXPECT_EQ(testing::read_file((entry.path() / "expected_table.txt").string()),
              testing::read_file(table_file_name(base)));
    // Kept for the browser check (tests/browser/check_page.py).
    testing::write_file((out_dir / (name + "_indent.htm")).string(), page);
  }
  EXPECT_GE(cases, 2);
}

// Random documents made of the notation's keywords: whatever the mix, the
// page keeps its frame and every table is a full grid.
TEST(PageFrame, RandomDocumentsKeepTheirShape) {
  const char* const kPieces[] = {
      "table_start: cap", "TABLE_START:", "column: n", "  column:", "align: right", "align:",
      "table_end:", "cell <x>", "", "   ", "<b>b</b>", "look_at: 1.", "look_at: 1.1", "see http://x",
      "file:///y", "1. H", "  1.1 H", "<p style=q>"};
  std::mt19937 random(20240607);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int line_total = static_cast<int>(random() % 40);
    for (int i = 0; i < line_total; ++i) {
      text += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
      text += (random() % 3 == 0) ? "\r" : "\n";
    }
    std::vector<ChapterRow> rows;
    std::uint64_t line = 0;
    for (int chapter = 1; chapter <= 8; ++chapter) {
      line += 1 + random() % 8;
      rows.push_back({line, chapter % 2 ? std::to_string(chapter) + "." : "1.1"});
    }
    const ChapterTable table = chapter_table_of(rows);
    const std::string page = page_of(text, table, random() % 2 == 0);
    SCOPED_TRACE(text);

    ASSERT_EQ(0u, page.find(kOpening));
    ASSERT_EQ(page.size() - kClosing.size(), page.rfind(kClosing));
    std::istringstream in(page);
    std::string page_line;
    bool in_table = false;
    long cells_per_row = -1;
    long cells = 0;
    while (std::getline(in, page_line)) {
      page_line.pop_back();  // the CR of CR LF
      if (page_line.rfind("<table ", 0) == 0) {
        ASSERT_FALSE(in_table);
        in_table = true;
        cells_per_row = -1;
      } else if (in_table && page_line == " </table>") {
        in_table = false;
      } else if (in_table && page_line == "<tr>") {
        cells = 0;
      } else if (in_table && page_line == "</tr>") {
        if (cells_per_row >= 0) {
          ASSERT_EQ(cells_per_row, cells);
        }
        cells_per_row = cells;
      } else if (in_table && (page_line.rfind("<td", 0) == 0 || page_line.rfind("<th>", 0) == 0)) {
        ++cells;
      }
    }
    ASSERT_FALSE(in_table);
  }
}

}  // namespace
}  // namespace kestram

// The HTML page: its fixed frame, the optional table of contents and the body.
//
// The whole body sits in one "pre" element so that the indentation of the
// indented text shows column for column. The frame lines are fixed text: the
// companion text for the indexer recognises and drops them by that text.
#pragma once

#include <string>
#include <string_view>

#include "html/body_line.h"
#include "restructure/chapter_table.h"
#include "text/line_sink.h"
#include "text/lines.h"

namespace kestram {

// The page's content-type line: UTF-8, or windows-1252 for a document that
// is not valid UTF-8 (DocumentTotals::utf8).
constexpr std::string_view kUtf8ContentTypeLine =
    "<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=UTF-8\">";
constexpr std::string_view kWindows1252ContentTypeLine =
    "<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=windows-1252\">";

std::string html_file_name(std::string_view base_name);   // base + "_indent.htm"
std::string table_file_name(std::string_view base_name);  // base + "_table.txt"

// The page as a stage: the lines it is given are the body (the indented
// text), rendered between the frame's opening and closing lines. The table of
// contents, when there is one, is given before the first body line.
class Page : public LineSink {
 public:
  // Writes the opening lines. Both must outlive the page; `table` must be
  // finished.
  Page(const ChapterTable& table, LineSink& out);

  // The table of contents: one entry per heading line of the indented text,
  // in file order, each with its chapter number. An entry is the line's
  // leading blanks, then in bold the escaped, stripped line and a link to the
  // heading's anchor.
  void begin_contents();
  void add_contents_entry(std::string_view heading_line, std::string_view chapter_number);
  void end_contents();

  void write(std::string_view piece) override { body_.write(piece); }
  void end_line() override { body_.end_line(); }
  // Ends the body, writes the closing lines and hands the end on.
  void finish() override;

  const TableBlockLines* last_table_block() const { return body_.last_table_block(); }

 private:
  LineSink& out_;
  LineParts parts_;  // a contents entry goes on in one piece
  BodyRenderer body_;
  std::string escaped_;  // an entry's text escaped, when it needs it
};

// The contents from the chapter table alone, for a page written while the
// indented text is made: every row's heading line as the indentation pass
// writes it with `org_unit_code`. Every row must keep its chapter-mark line.
void add_contents_from_table(const ChapterTable& table, std::string_view org_unit_code, Page& page);

// The contents from the indented text, read from where it stands to its end:
// one entry for every line that the table holds a heading row for (a heading
// inside a table block too: its target then does not exist).
void add_contents_from_text(LineReader& indented, const ChapterTable& table, Page& page);

}  // namespace kestram

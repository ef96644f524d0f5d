// The companion text for the indexer: the page without the lines of its frame
// (document type, html, head, meta, body, pre and paragraph lines), so that it
// holds the contents, the body and the table markup with their inline markup.
#pragma once

#include <string>
#include <string_view>

#include "text/lines.h"

namespace kestram {

// The base name cut before its first "_indent" (any letter case), followed by
// "_com_ndx.txt": notes_indent_old gives notes_com_ndx.txt.
std::string companion_file_name(std::string_view base_name);

// Whether a page line is a frame line, judged by its text alone (stripped and
// in lower case): lines holding a document type, meta or paragraph-style tag
// anywhere, and lines that are exactly one of the frame's bare tags.
bool is_frame_line(std::string_view line);

// Copies every line of `page` that is not a frame line to `out`, unchanged.
void write_companion_text(LineReader& page, LineWriter& out);

// The same, line by line as the page is written: hand it to the page's
// LineWriter::observe_lines(). The lines written to the page must hold no
// line-end byte of their own, so that the page file reads back as the very
// lines told.
class CompanionFilter : public LineWriter::LineObserver {
 public:
  explicit CompanionFilter(LineWriter& out) : out_(out) {}
  void line(std::string_view text) override {
    if (keep_all_ || keep_next_ || !is_frame_line(text)) out_.write_line(text);
    keep_next_ = false;
  }
  // For a page writer that knows lines to hold no frame markup (generated
  // lines whose text is escaped): the next line told, or every line told
  // until keep_all is set back, is kept without a look.
  void keep_next_line() { keep_next_ = true; }
  void set_keep_all(bool keep_all) { keep_all_ = keep_all; }
  // From then on the companion text misses lines: it must be made from the
  // page file instead.
  void line_too_long() override { complete_ = false; }
  bool complete() const { return complete_; }

 private:
  LineWriter& out_;
  bool complete_ = true;
  bool keep_next_ = false;
  bool keep_all_ = false;
};

}  // namespace kestram

// The companion text for the indexer: the page without the lines of its frame
// (document type, html, head, meta, body, pre and paragraph lines), so that it
// holds the contents, the body and the table markup with their inline markup.
#pragma once

#include <cstdint>
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

// is_frame_line() for a line whose text comes in parts, without holding the
// text: add() the parts in order, then ask.
class FrameLineScan {
 public:
  void add(std::string_view part);
  bool is_frame_line() const;
  // Whether a frame fragment was seen already (the line is a frame line
  // whatever follows).
  bool holds_fragment() const { return fragment_; }
  void clear() { *this = FrameLineScan(); }

 private:
  static constexpr std::uint64_t kNone = ~std::uint64_t{0};
  std::uint64_t length_ = 0;
  // Where the first and the last byte other than a blank stand, and the
  // first bytes from the first one on (enough to tell a bare tag).
  std::uint64_t first_solid_ = kNone;
  std::uint64_t last_solid_ = kNone;
  std::string head_;
  // The last bytes seen, too few to hold a fragment: one may go on in the
  // next part.
  std::string tail_;
  bool fragment_ = false;
};

// The same as write_companion_text(), line by line as the page is written:
// hand it to the page's LineWriter::observe_lines(). The lines written to the
// page must hold no line-end byte of their own, so that the page file reads
// back as the very lines told. A long line goes on to `out` as it comes;
// should it turn out to be a frame line, the companion text is left
// incomplete.
class CompanionFilter : public LineWriter::LineObserver {
 public:
  explicit CompanionFilter(LineWriter& out) : out_(out) {}
  void line(std::string_view text) override {
    if (complete_ && (keep_all_ || keep_next_ || !is_frame_line(text))) out_.write_line(text);
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
  bool takes_long_lines() const override { return true; }
  void long_line_part(std::string_view part) override;
  void long_line_end(std::string_view last_part) override;
  bool complete() const { return complete_; }

 private:
  LineWriter& out_;
  bool complete_ = true;
  bool keep_next_ = false;
  bool keep_all_ = false;
  FrameLineScan long_line_;
};

}  // namespace kestram

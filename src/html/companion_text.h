// The companion text for the indexer: the page without the lines of its frame
// (document type, html, head, meta, body, pre and paragraph lines), so that it
// holds the contents, the body and the table markup with their inline markup.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_sink.h"

namespace kestram {

// The base name cut before its first "_indent" (any letter case), followed by
// "_com_ndx.txt": notes_indent_old gives notes_com_ndx.txt.
std::string companion_file_name(std::string_view base_name);

// Whether a page line is a frame line, judged by its text alone (stripped and
// in lower case): lines holding a document type, meta or paragraph-style tag
// anywhere, and lines that are exactly one of the frame's bare tags.
bool is_frame_line(std::string_view line);

// is_frame_line() for a line whose text comes in parts, without joining
// them: add() the parts in order, then ask.
class FrameLineScan {
 public:
  void add(std::string_view part);
  bool is_frame_line() const;

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

// The frame filter as a stage: passes on every page line that is not a frame
// line, unchanged.
class CompanionFilter : public LineSink {
 public:
  explicit CompanionFilter(LineSink& out) : out_(out) {}
  void write(std::string_view piece) override;
  void end_line() override;
  void finish() override { out_.finish(); }

 private:
  LineSink& out_;
  // The pieces of the current line, held until its end decides.
  std::vector<std::string_view> pieces_;
  std::uint64_t size_ = 0;
  std::string joined_;
};

}  // namespace kestram

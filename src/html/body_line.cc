#include "html/body_line.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "html/html_escape.h"
#include "html/table_block.h"
#include "text/byte_copy.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kBoldOpen = "<b>";
constexpr std::string_view kBoldClose = "</b>";
constexpr std::string_view kLookAt = "look_at:";

// The pieces of a rule's output go to one of two places: `text` takes pieces
// of the line (escaped on the way when the line is given as read), `markup`
// takes the page's own tags verbatim. The same rule code thus serves a line
// that is already escaped and one that is escaped only as it is written.
template <typename Text, typename Markup>
void link_pieces(std::string_view line, std::size_t at, Text text, Markup markup) {
  const std::string_view tail = line.substr(at);
  const std::size_t blank = tail.find(' ');
  const std::string_view address = tail.substr(0, blank);
  text(line.substr(0, at));
  markup("<a href=\"");
  text(address);
  markup("\">");
  text(address);
  markup("</a>");
  // Without a blank behind the address one is added, so the line never ends
  // right at the closing tag.
  if (blank == std::string_view::npos) {
    markup(" ");
  } else {
    text(tail.substr(blank));
  }
}

constexpr std::string_view kHeadingOpen = "<span style=\"color:blue\"; ID=\"";
constexpr std::string_view kHeadingMiddle = "\"><b>";
constexpr std::string_view kHeadingClose = "</b></span>";

// The pieces of the heading rule's line, in order: `text` takes the stripped
// line, `markup` the rest.
template <typename Text, typename Markup>
void heading_pieces(std::string_view indentation, std::string_view stripped, std::string_view chapter_number,
                    Text text, Markup markup) {
  markup(indentation);
  markup(kHeadingOpen);
  markup(chapter_number);
  markup(kHeadingMiddle);
  text(stripped);
  markup(kHeadingClose);
}

// The heading rule, its pieces put together in place where the page has the
// room (a few copies instead of a write per piece). The stripped line is
// escaped when `escape` is set.
void write_heading(std::string_view line, std::string_view chapter_number, bool escape, LineWriter& out) {
  const std::string_view indentation = line.substr(0, leading_blanks(line));
  const std::string_view stripped = trim_blanks(line.substr(indentation.size()));
  const std::size_t text_room = escape ? most_escaped_size(stripped.size()) : stripped.size();
  if (char* to = out.reserve(indentation.size() + kHeadingOpen.size() + chapter_number.size() +
                             kHeadingMiddle.size() + text_room + kHeadingClose.size())) {
    auto put = [&to](std::string_view piece) { to = put_text(to, piece); };
    if (escape) {
      heading_pieces(indentation, stripped, chapter_number,
                     [&to](std::string_view piece) { to = put_html_escaped(to, piece); }, put);
    } else {
      heading_pieces(indentation, stripped, chapter_number, put, put);
    }
    out.commit(to);
    return;
  }
  auto markup = [&out](std::string_view piece) { out.write(piece); };
  if (escape) {
    heading_pieces(indentation, stripped, chapter_number,
                   [&out](std::string_view piece) { write_html_escaped(out, piece); }, markup);
  } else {
    heading_pieces(indentation, stripped, chapter_number, markup, markup);
  }
}

// A cross-reference line naming an existing chapter becomes a link to that
// chapter's heading; otherwise it is left for the later rules.
bool render_cross_reference(std::string_view escaped, const ChapterTable& table, LineWriter& out) {
  const std::string_view stripped = trim_blanks(escaped);
  if (!starts_with_lower(stripped, kLookAt)) return false;
  const std::string_view target = keyword_value(stripped, kLookAt.size());
  const std::size_t row = table.first_row_with_chapter_number(target);
  if (row == 0) return false;
  const std::string_view number = table.chapter_number(row);
  out.write(escaped.substr(0, leading_blanks(escaped)));
  out.write("look_at: <span><a href=\"#");
  out.write(number);
  out.write("\"> ");
  out.write(number);
  out.write("</a></span>");
  return true;
}

// Most lines of a document are quiet lines, so the test looks at 16
// positions at a time. "<" (0x3C) and ">" (0x3E) differ in bit 0x02 only. An "http" may start
// where an "h" stands three bytes before a "p" (any case).
#if defined(__SSE2__)
// Bits set for the positions p[k] (k < 16) that rule the line out, looking
// at p[0] to p[18]: a bracket or colon at p[k], an "http" start at p[k].
// With `tail`, the brackets and colons of p[16] to p[18] count as well (for
// the last window, which no later one covers).
inline unsigned loud_positions(const unsigned char* p, bool tail) {
  const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i ahead = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3));
  const __m128i angle = _mm_cmpeq_epi8(_mm_or_si128(here, _mm_set1_epi8(0x02)), _mm_set1_epi8('>'));
  const __m128i colon = _mm_cmpeq_epi8(here, _mm_set1_epi8(':'));
  const __m128i h = _mm_cmpeq_epi8(_mm_or_si128(here, _mm_set1_epi8(0x20)), _mm_set1_epi8('h'));
  const __m128i p3 = _mm_cmpeq_epi8(_mm_or_si128(ahead, _mm_set1_epi8(0x20)), _mm_set1_epi8('p'));
  __m128i loud = _mm_or_si128(_mm_or_si128(angle, colon), _mm_and_si128(h, p3));
  if (tail) {
    const __m128i tail_angle = _mm_cmpeq_epi8(_mm_or_si128(ahead, _mm_set1_epi8(0x02)), _mm_set1_epi8('>'));
    const __m128i tail_colon = _mm_cmpeq_epi8(ahead, _mm_set1_epi8(':'));
    loud = _mm_or_si128(loud, _mm_or_si128(tail_angle, tail_colon));
  }
  return static_cast<unsigned>(_mm_movemask_epi8(loud));
}
#endif

}  // namespace

bool is_quiet_line(std::string_view line) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t size = line.size();
#if defined(__SSE2__)
  constexpr std::size_t kWindow = 19;  // 16 positions and the 3 bytes behind the last
  if (size >= kWindow) {
    // Each window's last three bytes are the next one's first.
    for (std::size_t at = 0; at + kWindow <= size; at += 16)
      if (loud_positions(bytes + at, false) != 0) return false;
    // The last window ends at the line's end and overlaps the ones before.
    return loud_positions(bytes + size - kWindow, true) == 0;
  }
#endif
  unsigned char flagged = 0;
  for (std::size_t i = 0; i < size; ++i)
    flagged |= static_cast<unsigned char>(((bytes[i] | 0x02) == '>') | (bytes[i] == ':'));
  for (std::size_t i = 0; i + 3 < size; ++i)
    flagged |= static_cast<unsigned char>(((bytes[i] | 0x20) == 'h') & ((bytes[i + 3] | 0x20) == 'p'));
  return flagged == 0;
}

bool is_bold_line(std::string_view line) {
  const std::string_view stripped = trim_blanks(line);
  if (!starts_with_lower(stripped, kBoldOpen)) return false;
  const std::size_t close = find_lower(stripped, kBoldClose);
  return close != std::string_view::npos && close + kBoldClose.size() == stripped.size();
}

bool render_link(std::string_view escaped_line, std::string_view lower_marker, std::string& out) {
  const std::size_t at = find_lower(escaped_line, lower_marker);
  if (at == std::string_view::npos) return false;
  auto append = [&out](std::string_view piece) { out.append(piece); };
  link_pieces(escaped_line, at, append, append);
  return true;
}

// The rules are tested on the line as read and only what is written is
// escaped. That decides as the escaped line would: escaping changes "<" and
// ">" only, no marker or keyword holds either, and none can run into an
// entity ("&lt;", "&gt;"), so each is found in one form exactly when it is in
// the other, at a position that escaping merely shifts. Only the rare
// cross-reference line, whose target is cut at a fixed offset, is escaped
// first.
BodyRule write_body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table,
                         LineWriter& out) {
  auto markup = [&out](std::string_view piece) { out.write(piece); };
  if (is_quiet_line(line)) {
    if (heading_row == 0) {
      out.write(line);
      return BodyRule::kPlain;
    }
    write_heading(line, table.chapter_number(heading_row), false, out);
    return BodyRule::kHeading;
  }
  if (is_bold_line(line)) {
    out.write(line);
    return BodyRule::kBold;
  }
  auto text = [&out](std::string_view piece) { write_html_escaped(out, piece); };
  std::size_t at = find_lower(line, "http");
  if (at == std::string_view::npos) at = find_lower(line, "file:///");
  if (at != std::string_view::npos) {
    link_pieces(line, at, text, markup);
    return BodyRule::kLink;
  }
  if (starts_with_lower(trim_blanks(line), kLookAt) &&
      render_cross_reference(html_escape(line), table, out))
    return BodyRule::kCrossReference;
  if (is_table_start(line)) return BodyRule::kTableStart;
  if (heading_row != 0) {
    write_heading(line, table.chapter_number(heading_row), true, out);
    return BodyRule::kHeading;
  }
  write_html_escaped(out, line);
  return BodyRule::kPlain;
}

BodyRule render_body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table,
                          std::string& out) {
  out.clear();
  LineWriter writer = LineWriter::to_memory(out);
  const BodyRule rule = write_body_line(line, heading_row, table, writer);
  if (rule == BodyRule::kTableStart) out = html_escape(line);
  return rule;
}

BodyWriter::BodyWriter(const ChapterTable& table, LineWriter& page)
    : table_(table), page_(page), headings_(table) {}

void BodyWriter::add(std::string_view line) {
  ++line_count_;
  // The block's lines never reach the rules, not even heading lines.
  if (in_block_) {
    block_.add(line);
    if (is_end_line(trim_blanks(line))) {
      in_block_ = false;
      write_collected_block(block_, page_);
    }
    return;
  }
  const std::size_t heading_row = headings_.row_for_line(line_count_);
  const BodyRule rule = write_body_line(line, heading_row, table_, page_);
  if (rule != BodyRule::kTableStart) {
    // A heading's text is escaped and its tags are "span" and "b".
    if (rule == BodyRule::kHeading && companion_filter_ != nullptr) companion_filter_->keep_next_line();
    page_.end_line();
    return;
  }
  block_.clear();
  block_.add(html_escape(line));
  in_block_ = true;
  any_block_ = true;
}

void BodyWriter::add_plain(std::uint64_t indent_blanks, std::string_view stripped_line) {
  // Blanks are quiet and cannot start an "http": the line is quiet exactly
  // when its stripped text is. The text is looked at where it was read, not
  // where it has just been written.
  if (!in_block_ && headings_.row_for_line(line_count_ + 1) == 0 && is_quiet_line(stripped_line)) {
    ++line_count_;
    page_.write_blanks(indent_blanks);
    page_.write(stripped_line);
    // A line too long to be held by the page's observer reaches it in parts,
    // which it then hands on itself.
    if (plain_companion_ == nullptr || indent_blanks + stripped_line.size() >= LineWriter::kLongestToldLine) {
      page_.end_line();
      return;
    }
    page_.end_line_untold();
    plain_companion_->write_blanks(indent_blanks);
    plain_companion_->write_line(stripped_line);
    return;
  }
  scratch_.assign(indent_blanks, ' ');
  scratch_.append(stripped_line);
  add(scratch_);
}

void BodyWriter::finish(const std::function<LineWriter()>& open_table_file, const TableFileClosed& table_file_closed) {
  // A block without an end line runs to the end of the document.
  if (in_block_) {
    in_block_ = false;
    write_collected_block(block_, page_);
  }
  // Every block would overwrite the work file of the one before it, so only
  // the last block met is kept and written, once, after the pass. Creating
  // the file anew per block costs a file system round trip per block.
  if (any_block_) write_table_file(block_, open_table_file, table_file_closed);
  any_block_ = false;
}

void write_body(LineReader& indented, const ChapterTable& table,
                const std::function<LineWriter()>& open_table_file, LineWriter& page,
                const TableFileClosed& table_file_closed) {
  BodyWriter body(table, page);
  std::string_view line;
  while (indented.next(line)) body.add(line);
  body.finish(open_table_file, table_file_closed);
}

}  // namespace kestram

#include "html/body_line.h"

#include "html/html_escape.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kBoldOpen = "<b>";
constexpr std::string_view kBoldClose = "</b>";
constexpr std::string_view kLookAt = "look_at:";

// Where the link rule's address starts in a text: its first "http" (any
// case), or else its first "file:///", or npos. Escaping makes and breaks
// no marker, so the text and its escaped form hold the same addresses.
std::size_t find_address(std::string_view text) {
  const std::size_t at = find_lower(text, "http");
  return at != std::string_view::npos ? at : find_lower(text, "file:///");
}

// The link rule: `escaped` (`text` escaped) with its first address, up to
// the next blank, made a link; false when it holds none. An address that
// ends the text is followed by one blank, so the text never ends right at
// the tag. The address in the attribute is the one as written, escaped for
// an attribute (in `attribute` when that changes it): a quote in it must
// not end the attribute.
bool write_link(std::string_view text, std::string_view escaped, std::string& attribute, LineParts& out) {
  const std::size_t at = find_address(escaped);
  if (at == std::string_view::npos) return false;
  const std::string_view tail = escaped.substr(at);
  const std::size_t blank = tail.find(' ');
  const std::string_view address = tail.substr(0, blank);
  std::string_view written = address;  // the same bytes when nothing was escaped
  if (escaped.data() != text.data()) {
    const std::size_t raw_at = find_address(text);
    written = text.substr(raw_at, text.find(' ', raw_at) - raw_at);
  }
  out.add(escaped.substr(0, at));
  out.add("<a href=\"");
  if (needs_attribute_escape(written)) {
    attribute.clear();
    append_attribute_escaped(attribute, written);
    out.add(attribute);
  } else {
    out.add(written);
  }
  out.add("\">");
  out.add(address);
  out.add("</a>");
  out.add(blank == std::string_view::npos ? std::string_view(" ") : tail.substr(blank));
  return true;
}

// The heading rule: the line's indentation, then its stripped text in a
// coloured, bold span that carries the chapter number as its id; `escaped`
// is `text` escaped. With `with_link`, the address in the text is a link as
// the link rule makes it (so `attribute` as for write_link).
void write_heading(std::string_view text, std::string_view escaped, std::string_view chapter_number, bool with_link,
                   std::string& attribute, LineParts& out) {
  const std::size_t indentation = leading_blanks(escaped);
  out.add(escaped.substr(0, indentation));
  out.add("<span style=\"color:blue\"; ID=\"");
  out.add(chapter_number);
  out.add("\"><b>");
  const std::string_view title = trim_blanks(escaped.substr(indentation));
  if (!with_link || !write_link(trim_blanks(text), title, attribute, out)) out.add(title);
  out.add("</b></span>");
}

// A cross-reference line naming an existing chapter becomes a link to that
// chapter's heading; otherwise it is left for the later rules.
bool write_cross_reference(std::string_view escaped, const ChapterTable& table, LineParts& out) {
  const std::string_view stripped = trim_blanks(escaped);
  if (!starts_with_lower(stripped, kLookAt)) return false;
  const std::size_t row = table.first_row_with_chapter_number(keyword_value(stripped, kLookAt.size()));
  if (row == 0) return false;
  const std::string_view number = table.chapter_number(row);
  out.add(escaped.substr(0, leading_blanks(escaped)));
  out.add("look_at: <span><a href=\"#");
  out.add(number);
  out.add("\"> ");
  out.add(number);
  out.add("</a></span>");
  return true;
}

// Whether p[0] to p[15] hold a bracket or a colon, or an "h" three bytes
// before a "p" (looking at p[3] to p[18] for those): 16 positions at once,
// as most lines are quiet.
bool loud_window(const unsigned char* p) {
  const Bytes16 here = bytes16_at(p);
  const Bytes16 ahead = bytes16_at(p + 3);
  return any_set(((here | 0x02) == '>') | (here == ':') | (((here | 0x20) == 'h') & ((ahead | 0x20) == 'p')));
}

bool is_loud_byte(unsigned char c) { return (c | 0x02) == '>' || c == ':'; }

}  // namespace

bool is_quiet_line(std::string_view line) {
  // "<" (0x3C) and ">" (0x3E) differ in bit 0x02 only; setting bit 0x20
  // turns an upper-case letter into its lower case.
  const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t size = line.size();
  constexpr std::size_t kWindow = 16 + 3;  // 16 positions and the 3 bytes behind the last
  if (size < kWindow) {
    for (std::size_t i = 0; i < size; ++i)
      if (is_loud_byte(bytes[i]) || (i + 3 < size && (bytes[i] | 0x20) == 'h' && (bytes[i + 3] | 0x20) == 'p'))
        return false;
    return true;
  }
  for (std::size_t at = 0; at + kWindow <= size; at += 16)
    if (loud_window(bytes + at)) return false;
  // The last window ends at the line's end and overlaps the ones before; the
  // three bytes behind it are looked at for brackets and colons too.
  const unsigned char* last = bytes + size - kWindow;
  return !loud_window(last) && !is_loud_byte(last[16]) && !is_loud_byte(last[17]) && !is_loud_byte(last[18]);
}

bool is_bold_line(std::string_view line) {
  const std::string_view stripped = trim_blanks(line);
  if (!starts_with_lower(stripped, kBoldOpen)) return false;
  const std::size_t close = find_lower(stripped, kBoldClose);
  return close != std::string_view::npos && close + kBoldClose.size() == stripped.size();
}

BodyRule write_body_line(std::string_view line, std::size_t heading_row, const ChapterTable& table,
                         BodyScratch& scratch, LineParts& out) {
  // Most lines are quiet: only the heading rule or the plain one can apply.
  if (is_quiet_line(line)) {
    if (heading_row == 0) {
      out.add(line);
      return BodyRule::kPlain;
    }
    write_heading(line, line, table.chapter_number(heading_row), false, scratch.attribute, out);
    return BodyRule::kHeading;
  }
  if (is_bold_line(line)) {
    out.add(line);
    return BodyRule::kBold;
  }
  std::string_view text = line;
  if (needs_html_escape(line)) {
    scratch.escaped.clear();
    append_html_escaped(scratch.escaped, line);
    text = scratch.escaped;
  }
  // The link rule comes first; on a heading line its link stays inside the
  // heading, so that the heading keeps its anchor.
  if (heading_row == 0) {
    if (write_link(line, text, scratch.attribute, out)) return BodyRule::kLink;
  } else if (find_address(text) != std::string_view::npos) {
    write_heading(line, text, table.chapter_number(heading_row), true, scratch.attribute, out);
    return BodyRule::kHeading;
  }
  if (write_cross_reference(text, table, out)) return BodyRule::kCrossReference;
  if (is_table_start(text)) return BodyRule::kTableStart;
  if (heading_row != 0) {
    write_heading(line, text, table.chapter_number(heading_row), false, scratch.attribute, out);
    return BodyRule::kHeading;
  }
  out.add(text);
  return BodyRule::kPlain;
}

BodyRenderer::BodyRenderer(const ChapterTable& table, LineSink& out)
    : table_(table), out_(out), parts_(out), headings_(table) {}

void BodyRenderer::line(std::string_view text) {
  ++line_count_;
  const std::size_t heading_row = headings_.row_for_line(line_count_);
  // The block's lines never reach the rules; a heading among them keeps its
  // chapter number for the table's anchors.
  if (in_block_) {
    block_.add(text, heading_row != 0 ? table_.chapter_number(heading_row) : std::string_view());
    if (is_end_line(trim_blanks(text))) {
      in_block_ = false;
      write_collected_block(block_, out_);
    }
    return;
  }
  if (write_body_line(text, heading_row, table_, scratch_, parts_) != BodyRule::kTableStart) {
    parts_.end_line();
    return;
  }
  block_.clear();
  block_.add(html_escape(text), heading_row != 0 ? table_.chapter_number(heading_row) : std::string_view());
  in_block_ = true;
  any_block_ = true;
}

void BodyRenderer::end_body() {
  // A block without an end line runs to the end of the document.
  if (in_block_) {
    in_block_ = false;
    write_collected_block(block_, out_);
  }
}

void BodyRenderer::finish() {
  end_body();
  out_.finish();
}

}  // namespace kestram

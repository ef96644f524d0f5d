#include "html/companion_text.h"

#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kFrameFragments[] = {"<!doctype html", "<meta http-equiv", "<p style"};
constexpr std::string_view kFrameTags[] = {
    "<html>", "</html>", "<head>", "</head>", "<title>", "</title>",
    "<body>", "</body>", "</p>",   "<pre>",   "</pre>",
};

constexpr std::size_t longest_tag() {
  std::size_t longest = 0;
  for (std::string_view tag : kFrameTags) longest = tag.size() > longest ? tag.size() : longest;
  return longest;
}

constexpr std::size_t longest_fragment() {
  std::size_t longest = 0;
  for (std::string_view fragment : kFrameFragments) longest = fragment.size() > longest ? fragment.size() : longest;
  return longest;
}

// Whether a stripped line is one of the frame's bare tags.
bool is_frame_tag(std::string_view stripped) {
  if (stripped.size() > longest_tag() || stripped.empty() || stripped[0] != '<') return false;
  for (std::string_view tag : kFrameTags)
    if (stripped.size() == tag.size() && starts_with_lower(stripped, tag)) return true;
  return false;
}

}  // namespace

std::string companion_file_name(std::string_view base_name) {
  const std::size_t cut = find_lower(base_name, "_indent");
  std::string name(base_name.substr(0, cut));
  name.append("_com_ndx.txt");
  return name;
}

namespace {

bool is_fragment_at(std::string_view text, std::size_t at) {
  // Most "<" of a page open tags of its own markup ("<a", "<b", "<span").
  const char second = at + 1 < text.size() ? ascii_lower(text[at + 1]) : '\0';
  if (second != '!' && second != 'm' && second != 'p') return false;
  for (std::string_view fragment : kFrameFragments)
    if (starts_with_lower(text.substr(at), fragment)) return true;
  return false;
}

// Whether p[0] to p[15] hold a "<" followed by "!", "m" or "p" (any case),
// as every fragment starts (looking at p[1] to p[16] for what follows): 16
// positions at once, as the markup of most page lines holds none.
bool may_open_fragment(const unsigned char* p) {
  const Bytes16 here = bytes16_at(p);
  const Bytes16 next = bytes16_at(p + 1);
  return any_set((here == '<') & (((next | 0x20) == 'm') | ((next | 0x20) == 'p') | (next == '!')));
}

// Whether the text may hold a fragment: false only when it surely holds
// none.
bool may_hold_fragment(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  constexpr std::size_t kWindow = 16 + 1;
  if (text.size() < kWindow) return true;
  for (std::size_t at = 0; at + kWindow <= text.size(); at += 16)
    if (may_open_fragment(bytes + at)) return true;
  // The last window ends at the text's end and overlaps the ones before.
  return may_open_fragment(bytes + text.size() - kWindow);
}

// Whether the text holds a fragment anywhere. Page text holds few "<" but
// for the markup around it (the document's own come escaped).
bool holds_frame_fragment(std::string_view text) {
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1))
    if (is_fragment_at(text, at)) return true;
  return false;
}

}  // namespace

bool is_frame_line(std::string_view line) {
  // Most page lines hold no "<", and every tag and fragment starts with one.
  const std::size_t first = line.find('<');
  if (first == std::string_view::npos) return false;
  const std::string_view test = trim_blanks(line);
  if (is_frame_tag(test)) return true;
  // Blanks are no "<": the first one stands as far into the stripped line as
  // the blanks before it took.
  const std::string_view from_first = test.substr(first - leading_blanks(line));
  return may_hold_fragment(from_first) && holds_frame_fragment(from_first);
}

void FrameLineScan::add(std::string_view part) {
  if (!fragment_) {
    // A fragment starts with "<" and ends in a letter: one found anywhere
    // lies within the stripped line. One that starts in the tail ends within
    // the first bytes of this part.
    constexpr std::size_t kKeep = longest_fragment() - 1;
    std::string across = tail_;
    across.append(part.substr(0, kKeep));
    fragment_ = holds_frame_fragment(across) || holds_frame_fragment(part);
    if (part.size() >= kKeep) {
      tail_.assign(part.substr(part.size() - kKeep));
    } else {
      tail_.append(part);
      if (tail_.size() > kKeep) tail_.erase(0, tail_.size() - kKeep);
    }
  }
  if (first_solid_ == kNone) {
    const std::size_t at = part.find_first_not_of(' ');
    if (at != std::string_view::npos) {
      first_solid_ = length_ + at;
      head_.assign(part.substr(at, longest_tag()));
    }
  } else if (head_.size() < longest_tag()) {
    head_.append(part.substr(0, longest_tag() - head_.size()));
  }
  const std::size_t last = part.find_last_not_of(' ');
  if (last != std::string_view::npos) last_solid_ = length_ + last;
  length_ += part.size();
}

bool FrameLineScan::is_frame_line() const {
  if (fragment_) return true;
  if (first_solid_ == kNone || last_solid_ - first_solid_ >= longest_tag()) return false;
  return is_frame_tag(std::string_view(head_).substr(0, last_solid_ - first_solid_ + 1));
}

void CompanionFilter::write(std::string_view piece) {
  pieces_.push_back(piece);
  size_ += piece.size();
}

void CompanionFilter::end_line() {
  // A line in one piece is looked at as it is, a long one in its pieces.
  constexpr std::uint64_t kLongestJoined = 1 << 16;
  bool frame = false;
  if (pieces_.size() == 1) {
    frame = is_frame_line(pieces_[0]);
  } else if (size_ <= kLongestJoined) {
    joined_.clear();
    for (std::string_view piece : pieces_) joined_.append(piece);
    frame = is_frame_line(joined_);
  } else {
    FrameLineScan scan;
    for (std::string_view piece : pieces_) scan.add(piece);
    frame = scan.is_frame_line();
  }
  if (!frame) {
    for (std::string_view piece : pieces_) out_.write(piece);
    out_.end_line();
  }
  pieces_.clear();
  size_ = 0;
}

}  // namespace kestram

#include "html/companion_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Bit k set when the bytes at p[k] and p[k + 1] may open a fragment: "<"
// then "!", "m" or "p" in any case (and a few other bytes: a candidate is
// only a candidate). Reads p[0] to p[16].
unsigned fragment_candidates(const unsigned char* p) {
#if defined(__SSE2__)
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i second = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), _mm_set1_epi8(0x20));
  const __m128i opens = _mm_cmpeq_epi8(first, _mm_set1_epi8('<'));
  // Both "m" (0x6D) and "p" (0x70) give 0x7D here; "!" (0x21) stays itself.
  const __m128i m_or_p = _mm_cmpeq_epi8(_mm_or_si128(second, _mm_set1_epi8(0x1D)), _mm_set1_epi8(0x7D));
  const __m128i bang = _mm_cmpeq_epi8(second, _mm_set1_epi8('!'));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(opens, _mm_or_si128(m_or_p, bang))));
#else
  unsigned bits = 0;
  for (unsigned k = 0; k < 16; ++k) bits |= static_cast<unsigned>(p[k] == '<') << k;
  return bits;
#endif
}

bool is_fragment_at(std::string_view text, std::size_t at) {
  for (std::string_view fragment : kFrameFragments)
    if (starts_with_lower(text.substr(at), fragment)) return true;
  return false;
}

// Whether the text holds a fragment anywhere. The markup of headings and
// contents lines holds several "<" but never a candidate pair, so 16
// positions are ruled out at a time.
bool holds_frame_fragment(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  auto fragment_at = [text](std::size_t at) { return is_fragment_at(text, at); };
  constexpr std::size_t kBlock = 16;
  std::size_t at = 0;
  for (; at + kBlock < text.size(); at += kBlock) {
    for (unsigned bits = fragment_candidates(bytes + at); bits != 0; bits &= bits - 1)
      if (fragment_at(at + static_cast<std::size_t>(__builtin_ctz(bits)))) return true;
  }
  // The positions left are covered by one more block that ends at the last
  // byte (a fragment is longer than one byte) and overlaps the ones before.
  if (text.size() > kBlock) {
    const std::size_t last = text.size() - kBlock - 1;
    for (unsigned bits = fragment_candidates(bytes + last); bits != 0; bits &= bits - 1)
      if (fragment_at(last + static_cast<std::size_t>(__builtin_ctz(bits)))) return true;
    return false;
  }
  for (; at < text.size(); ++at)
    if (bytes[at] == '<' && fragment_at(at)) return true;
  return false;
}

}  // namespace

bool is_frame_line(std::string_view line) {
  // Most page lines hold no "<", and every tag and fragment starts with one.
  const std::size_t first = find_byte(line, '<');
  if (first == line.size()) return false;
  const std::string_view test = trim_blanks(line);
  if (is_frame_tag(test)) return true;
  // Blanks are no "<": the first one stands as far into the stripped line as
  // the blanks before it took.
  return holds_frame_fragment(test.substr(first - leading_blanks(line)));
}

void FrameLineScan::add(std::string_view part) {
  if (!fragment_) {
    // A fragment starts with "<" and ends in a letter: one found anywhere
    // lies within the stripped line. One that starts in the tail ends within
    // the first bytes of this part.
    constexpr std::size_t kKeep = longest_fragment() - 1;
    std::string across = tail_;
    across.append(part.substr(0, kKeep));
    fragment_ = holds_frame_fragment(across);
    // Page text holds few "<" but for the markup around it (the document's
    // own come escaped): the library's search for one byte hops from one to
    // the next faster than holds_frame_fragment() looks at every position.
    for (std::size_t at = part.find('<'); !fragment_ && at != std::string_view::npos; at = part.find('<', at + 1))
      fragment_ = is_fragment_at(part, at);
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

void CompanionFilter::long_line_part(std::string_view part) {
  if (!complete_) return;
  if (!keep_all_ && !keep_next_) long_line_.add(part);
  if (long_line_.holds_fragment()) {
    complete_ = false;  // a frame line, part of which is written already
    return;
  }
  out_.write(part);
}

void CompanionFilter::long_line_end(std::string_view last_part) {
  long_line_part(last_part);
  if (complete_ && !keep_all_ && !keep_next_ && long_line_.is_frame_line()) complete_ = false;
  if (complete_) out_.end_line();
  long_line_.clear();
  keep_next_ = false;
}

void write_companion_text(LineReader& page, LineWriter& out) {
  std::string_view line;
  while (page.next(line))
    if (!is_frame_line(line)) out.write_line(line);
}

}  // namespace kestram

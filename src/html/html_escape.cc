#include "html/html_escape.h"

#include <cstring>

#include "text/byte_copy.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestram {
namespace {

// "<" (0x3C) and ">" (0x3E) differ in bit 0x02 only, so one comparison finds
// both.
inline bool is_angle_bracket(unsigned char c) { return (c | 0x02) == 0x3E; }

#if defined(__SSE2__)
// Bit k set when p[k] (k < 16) is a bracket.
inline unsigned angle_brackets_at(const unsigned char* p) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i hits = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(0x02)), _mm_set1_epi8(0x3E));
  return static_cast<unsigned>(_mm_movemask_epi8(hits));
}
#endif

// Position of the first "<" or ">" at or after `from`, or the text's size.
// Most text holds no bracket at all: 16 bytes are looked at a time.
std::size_t next_angle_bracket(std::string_view text, std::size_t from) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t at = from;
#if defined(__SSE2__)
  constexpr std::size_t kBlock = 16;
  if (size - from >= kBlock) {
    for (; at + kBlock <= size; at += kBlock)
      if (const unsigned bits = angle_brackets_at(bytes + at)) return at + static_cast<std::size_t>(__builtin_ctz(bits));
    // The bytes left are the end of one more block, which overlaps the
    // ones before (from `from` on, so they held no bracket).
    if (const unsigned bits = angle_brackets_at(bytes + size - kBlock))
      return size - kBlock + static_cast<std::size_t>(__builtin_ctz(bits));
    return size;
  }
#endif
  for (; at < size; ++at)
    if (is_angle_bracket(bytes[at])) return at;
  return size;
}

// Hands `text` to `put` piece by piece, brackets replaced by their entities.
template <typename Put>
void escape_into(std::string_view text, Put put) {
  std::size_t done = 0;
  for (std::size_t at = next_angle_bracket(text, 0); at < text.size(); at = next_angle_bracket(text, done)) {
    put(text.substr(done, at - done));
    put(text[at] == '<' ? std::string_view("&lt;") : std::string_view("&gt;"));
    done = at + 1;
  }
  put(text.substr(done));
}

}  // namespace

void append_html_escaped(std::string& out, std::string_view text) {
  escape_into(text, [&out](std::string_view piece) { out.append(piece); });
}

char* put_html_escaped(char* to, std::string_view text) {
  std::size_t done = 0;
  for (std::size_t at = next_angle_bracket(text, 0); at < text.size(); at = next_angle_bracket(text, done)) {
    to = copy_bytes(to, text.data() + done, at - done);
    std::memcpy(to, text[at] == '<' ? "&lt;" : "&gt;", 4);
    to += 4;
    done = at + 1;
  }
  return copy_bytes(to, text.data() + done, text.size() - done);
}

void write_html_escaped(LineWriter& out, std::string_view text) {
  if (char* to = out.reserve(most_escaped_size(text.size()))) {
    out.commit(put_html_escaped(to, text));
    return;
  }
  escape_into(text, [&out](std::string_view piece) { out.write(piece); });
}

std::size_t html_escaped_size(std::string_view text) {
  // Each bracket grows by three bytes into its entity.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t brackets = 0;
  std::size_t at = 0;
#if defined(__SSE2__)
  constexpr std::size_t kBlock = 16;
  auto brackets_at = [bytes](std::size_t from) { return angle_brackets_at(bytes + from); };
  if (text.size() >= kBlock) {
    for (; at + kBlock <= text.size(); at += kBlock)
      if (const unsigned bits = brackets_at(at)) brackets += static_cast<std::size_t>(__builtin_popcount(bits));
    // The bytes left are the end of one more block that overlaps the last.
    if (at < text.size())
      if (const unsigned bits = brackets_at(text.size() - kBlock) >> (kBlock - (text.size() - at)))
        brackets += static_cast<std::size_t>(__builtin_popcount(bits));
    return text.size() + 3 * brackets;
  }
#endif
  for (; at < text.size(); ++at) brackets += is_angle_bracket(bytes[at]) ? 1 : 0;
  return text.size() + 3 * brackets;
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_html_escaped(out, text);
  return out;
}

}  // namespace kestram

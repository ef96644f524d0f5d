#include "html/html_escape.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestram {
namespace {

// "<" (0x3C) and ">" (0x3E) differ in bit 0x02 only, so one comparison finds
// both.
inline bool is_angle_bracket(unsigned char c) { return (c | 0x02) == 0x3E; }

// Position of the first "<" or ">" at or after `from`, or the text's size.
// Whole blocks are tested by a loop without branches that the compiler turns
// into vector instructions: most text holds no bracket at all.
std::size_t next_angle_bracket(std::string_view text, std::size_t from) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  constexpr std::size_t kBlock = 32;
  std::size_t at = from;
  for (; at + kBlock <= text.size(); at += kBlock) {
    unsigned char any = 0;
    for (std::size_t k = 0; k < kBlock; ++k)
      any |= static_cast<unsigned char>(is_angle_bracket(bytes[at + k]));
    if (any != 0) break;
  }
  for (; at < text.size(); ++at)
    if (is_angle_bracket(bytes[at])) return at;
  return text.size();
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

void write_html_escaped(LineWriter& out, std::string_view text) {
  escape_into(text, [&out](std::string_view piece) { out.write(piece); });
}

std::size_t html_escaped_size(std::string_view text) {
  // Each bracket grows by three bytes into its entity.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t brackets = 0;
  std::size_t at = 0;
#if defined(__SSE2__)
  constexpr std::size_t kBlock = 16;
  auto brackets_at = [bytes](std::size_t from) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + from));
    const __m128i hits = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(0x02)), _mm_set1_epi8(0x3E));
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
  };
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

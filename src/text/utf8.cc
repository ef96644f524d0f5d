#include "text/utf8.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestram {
namespace {

// The position of the first byte from `i` on that has its top bit, or
// `size`: 16 bytes at a time with vector instructions where the target
// always has them (the last 16 overlapping those before), else 8.
std::size_t next_high_byte(const unsigned char* p, std::size_t i, std::size_t size) {
#if defined(__SSE2__)
  auto high_bits = [p](std::size_t at) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at))));
  };
  if (size - i >= 16) {
    for (; i + 16 <= size; i += 16)
      if (const unsigned high = high_bits(i)) return i + static_cast<std::size_t>(__builtin_ctz(high));
    // The bytes before i in the last window are known to be ASCII.
    const unsigned high = high_bits(size - 16);
    return high == 0 ? size : size - 16 + static_cast<std::size_t>(__builtin_ctz(high));
  }
#endif
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, sizeof word);
    if ((word & 0x8080808080808080u) != 0) break;
  }
  while (i < size && p[i] < 0x80) ++i;
  return i;
}

}  // namespace

bool is_valid_utf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  // Most text is ASCII, with a sequence here and there.
  for (std::size_t i = next_high_byte(bytes, 0, size); i < size; i = next_high_byte(bytes, i, size)) {
    // The bytes that may follow the lead byte: the second one's range rules
    // out overlong forms, surrogates and code points above U+10FFFF.
    const unsigned char lead = bytes[i];
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (size - i < length) return false;
    if (bytes[i + 1] < low || bytes[i + 1] > high) return false;
    for (std::size_t k = 2; k < length; ++k)
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

}  // namespace kestram

// Tests on eight bytes at a time, for the first words of lines, which the
// chapter-mark test reads for every line of a document.
//
// Each mask holds the high bit of every byte of a word that passes a test;
// byte i of the text is byte i of the word counted from its low end, on any
// machine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestram {
namespace byte_words {

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = 0x8080808080808080;

// Written out byte by byte, which compilers turn into one load where the
// machine's byte order allows.
inline std::uint64_t load_word(const char* bytes) {
  const auto b = [bytes](int i) { return std::uint64_t{static_cast<unsigned char>(bytes[i])}; };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24 | b(4) << 32 | b(5) << 40 | b(6) << 48 | b(7) << 56;
}

inline std::uint64_t bytes_equal(std::uint64_t word, char byte) {
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(byte));
  return ~(((x & ~kHigh) + ~kHigh) | x) & kHigh;
}

inline std::uint64_t digit_bytes(std::uint64_t word) {
  // No byte carries into the next: the low seven bits plus 0x50 stay below 0x100.
  const std::uint64_t low = word & ~kHigh;
  return (low + kOnes * (0x80 - '0')) & ~(low + kOnes * (0x80 - '9' - 1)) & ~word & kHigh;
}

// Index of the first byte whose bit is set in a non-zero mask.
inline unsigned first_byte(std::uint64_t mask) { return static_cast<unsigned>(__builtin_ctzll(mask)) / 8; }

}  // namespace byte_words
}  // namespace kestram

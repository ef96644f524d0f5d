// Copying of the short texts (mark numbers, line numbers, gaps, the pieces of
// headings and contents entries) that the passes put together, a few million
// times per document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kestram {

namespace byte_copy_detail {

// The first and the last sizeof(Word) bytes of `count` (at least that many),
// which cover all of them when count is at most twice the word.
template <typename Word>
struct Ends {
  Word head;
  Word tail;
};
template <typename Word>
inline Ends<Word> ends_of(const char* from, std::size_t count) {
  Ends<Word> ends;
  std::memcpy(&ends.head, from, sizeof(Word));
  std::memcpy(&ends.tail, from + count - sizeof(Word), sizeof(Word));
  return ends;
}
template <typename Word>
inline void copy_ends(char* to, const char* from, std::size_t count) {
  const Ends<Word> ends = ends_of<Word>(from, count);
  std::memcpy(to, &ends.head, sizeof(Word));
  std::memcpy(to + count - sizeof(Word), &ends.tail, sizeof(Word));
}
template <typename Word>
inline bool same_ends(const char* a, const char* b, std::size_t count) {
  const Ends<Word> x = ends_of<Word>(a, count);
  const Ends<Word> y = ends_of<Word>(b, count);
  return ((x.head ^ y.head) | (x.tail ^ y.tail)) == 0;
}

}  // namespace byte_copy_detail

// Copies `count` bytes to `to` and returns the end of the copy. Up to 16
// bytes are moved by at most two fixed-size loads and stores (which overlap
// when the count is not a power of two), instead of a call to memcpy. Reads
// and writes stay within the `count` bytes.
inline char* copy_bytes(char* to, const char* from, std::size_t count) {
  if (count > 16) {
    std::memcpy(to, from, count);
  } else if (count >= 8) {
    byte_copy_detail::copy_ends<std::uint64_t>(to, from, count);
  } else if (count >= 4) {
    byte_copy_detail::copy_ends<std::uint32_t>(to, from, count);
  } else if (count != 0) {
    // 1 to 3 bytes: the first, the middle and the last (some are the same).
    const char first = from[0];
    const char middle = from[count / 2];
    const char last = from[count - 1];
    to[0] = first;
    to[count / 2] = middle;
    to[count - 1] = last;
  }
  return to + count;
}

// The same for a whole text: puts it at `to` and returns the end of it.
inline char* put_text(char* to, std::string_view text) { return copy_bytes(to, text.data(), text.size()); }

// Whether the `count` bytes from `a` and from `b` are the same. Up to 16
// bytes are compared as copy_bytes() moves them, without a call to memcmp;
// reads stay within the `count` bytes.
inline bool same_bytes(const char* a, const char* b, std::size_t count) {
  if (count > 16) return std::memcmp(a, b, count) == 0;
  if (count >= 8) return byte_copy_detail::same_ends<std::uint64_t>(a, b, count);
  if (count >= 4) return byte_copy_detail::same_ends<std::uint32_t>(a, b, count);
  for (std::size_t i = 0; i < count; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// Copies `count` bytes, at most kShortCopy, by moving kShortCopy bytes in
// one piece: the kShortCopy bytes from `from` must be readable and those
// from `to` writable. The bytes after the count receive whatever followed
// the text, for the caller to write over.
constexpr std::size_t kShortCopy = 16;
inline char* copy_short(char* to, const char* from, std::size_t count) {
  std::memcpy(to, from, kShortCopy);
  return to + count;
}

}  // namespace kestram

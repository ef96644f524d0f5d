// Copying of the short texts (mark numbers, line numbers, gaps) of which the
// chapter table and its lists are made, a few million times per document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestram {

// Copies `count` bytes to `to` and returns the end of the copy. Up to 16
// bytes are moved by at most two fixed-size loads and stores (which overlap
// when the count is not a power of two), instead of a call to memcpy. Reads
// and writes stay within the `count` bytes.
inline char* copy_bytes(char* to, const char* from, std::size_t count) {
  if (count >= 8) {
    if (count > 16) {
      std::memcpy(to, from, count);
      return to + count;
    }
    std::uint64_t head;
    std::uint64_t tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + count - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + count - 8, &tail, 8);
  } else if (count >= 4) {
    std::uint32_t head;
    std::uint32_t tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + count - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + count - 4, &tail, 4);
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

// Whether the `count` bytes from `a` and from `b` are the same. Up to 16
// bytes are compared as copy_bytes() moves them, without a call to memcmp;
// reads stay within the `count` bytes.
inline bool same_bytes(const char* a, const char* b, std::size_t count) {
  if (count >= 8) {
    if (count > 16) return std::memcmp(a, b, count) == 0;
    std::uint64_t a_head, a_tail, b_head, b_tail;
    std::memcpy(&a_head, a, 8);
    std::memcpy(&b_head, b, 8);
    std::memcpy(&a_tail, a + count - 8, 8);
    std::memcpy(&b_tail, b + count - 8, 8);
    return ((a_head ^ b_head) | (a_tail ^ b_tail)) == 0;
  }
  if (count >= 4) {
    std::uint32_t a_head, a_tail, b_head, b_tail;
    std::memcpy(&a_head, a, 4);
    std::memcpy(&b_head, b, 4);
    std::memcpy(&a_tail, a + count - 4, 4);
    std::memcpy(&b_tail, b + count - 4, 4);
    return ((a_head ^ b_head) | (a_tail ^ b_tail)) == 0;
  }
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

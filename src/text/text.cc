#include "text/text.h"

namespace kestram {

std::string ascii_lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = ascii_lower(c);
  return lower;
}

std::size_t find_lower(std::string_view text, std::string_view lower_needle) {
  const std::size_t length = lower_needle.size();
  if (length == 0) return 0;
  if (text.size() < length) return std::string_view::npos;
  // A position is a candidate when its first and last bytes match the
  // needle's. Candidates are looked for a block of positions at a time by a
  // loop without branches, which the compiler turns into vector
  // instructions; only a block holding one is gone through byte by byte.
  // Setting bit 0x20 turns an upper-case letter into its lower case, so a
  // letter of the needle is matched by one comparison.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const auto first = static_cast<unsigned char>(lower_needle.front());
  const auto last = static_cast<unsigned char>(lower_needle.back());
  const unsigned char first_fold = (first >= 'a' && first <= 'z') ? 0x20 : 0;
  const unsigned char last_fold = (last >= 'a' && last <= 'z') ? 0x20 : 0;
  const std::size_t last_offset = length - 1;
  auto candidate = [&](std::size_t at) {
    return static_cast<unsigned char>(((bytes[at] | first_fold) == first) &
                                      ((bytes[at + last_offset] | last_fold) == last));
  };
  auto confirmed = [&](std::size_t at) {
    return candidate(at) && starts_with_lower(text.substr(at), lower_needle);
  };

  constexpr std::size_t kBlock = 16;
  const std::size_t positions = text.size() - length + 1;
  auto search_block = [&](std::size_t from) {
    unsigned char any = 0;
    for (std::size_t k = 0; k < kBlock; ++k) any |= candidate(from + k);
    if (any != 0)
      for (std::size_t k = 0; k < kBlock; ++k)
        if (confirmed(from + k)) return from + k;
    return std::string_view::npos;
  };
  if (positions < kBlock) {
    for (std::size_t at = 0; at < positions; ++at)
      if (confirmed(at)) return at;
    return std::string_view::npos;
  }
  std::size_t at = 0;
  for (; at + kBlock <= positions; at += kBlock)
    if (std::size_t found = search_block(at); found != std::string_view::npos) return found;
  // The last block ends at the last position and overlaps the ones before,
  // which held no match: a whole block is cheaper than a byte-wise tail.
  return at < positions ? search_block(positions - kBlock) : std::string_view::npos;
}

std::string_view keyword_value(std::string_view stripped_line, std::size_t keyword_length) {
  std::size_t from = keyword_length + 1;
  if (from >= stripped_line.size()) return {};
  return stripped_line.substr(from);
}

}  // namespace kestram

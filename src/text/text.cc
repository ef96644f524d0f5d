#include "text/text.h"

#include <cstring>

namespace kestram {

std::string ascii_lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = ascii_lower(c);
  return lower;
}

std::string_view trim_blanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  return text.substr(begin, end - begin);
}

std::size_t leading_blanks(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && text[n] == ' ') ++n;
  return n;
}

bool starts_with_lower(std::string_view text, std::string_view lower_prefix) {
  if (text.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i)
    if (ascii_lower(text[i]) != lower_prefix[i]) return false;
  return true;
}

std::size_t find_lower(std::string_view text, std::string_view lower_needle) {
  if (lower_needle.empty()) return 0;
  if (text.size() < lower_needle.size()) return std::string_view::npos;
  const char first = lower_needle[0];
  const char first_upper = (first >= 'a' && first <= 'z') ? static_cast<char>(first - 32) : first;
  const std::size_t last_start = text.size() - lower_needle.size();
  const std::size_t limit = last_start + 1;
  // Next positions of the first byte in either case, each searched only once
  // past the previous hit, so the search stays linear.
  auto next_of = [&](char c, std::size_t from) -> std::size_t {
    if (from >= limit) return std::string_view::npos;
    const void* hit = std::memchr(text.data() + from, c, limit - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
  };
  std::size_t lower_at = next_of(first, 0);
  std::size_t upper_at = first_upper == first ? std::string_view::npos : next_of(first_upper, 0);
  while (lower_at != std::string_view::npos || upper_at != std::string_view::npos) {
    std::size_t pos = lower_at < upper_at ? lower_at : upper_at;
    if (starts_with_lower(text.substr(pos), lower_needle)) return pos;
    if (pos == lower_at) lower_at = next_of(first, pos + 1);
    else upper_at = next_of(first_upper, pos + 1);
  }
  return std::string_view::npos;
}

std::string_view keyword_value(std::string_view stripped_line, std::size_t keyword_length) {
  std::size_t from = keyword_length + 1;
  if (from >= stripped_line.size()) return {};
  return stripped_line.substr(from);
}

}  // namespace kestram

#include "platform/shell_names.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "text/text.h"

namespace kestram {
namespace fs = std::filesystem;
namespace {

unsigned char lower_byte(char c) { return static_cast<unsigned char>(ascii_lower(c)); }

// Iterative matching with one remembered '*': linear in practice, and never
// worse than the product of the two lengths.
bool glob(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || lower_byte(pattern[p]) == lower_byte(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower_byte(a[i]) != lower_byte(b[i])) return false;
  return true;
}

bool exists_unfollowed(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// The entry of `dir` named like `name` but for letter case; the first in byte
// order when there are several.
std::optional<std::string> find_ignoring_case(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  std::optional<std::string> best;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (equal_ignoring_case(candidate, name) && (!best || candidate < *best)) best = std::move(candidate);
  }
  return best;
}

std::size_t last_separator(std::string_view written) {
  return written.find_last_of("\\/");
}

}  // namespace

bool has_wildcard(std::string_view pattern) { return pattern.find_first_of("*?") != std::string_view::npos; }

bool matches_wildcard(std::string_view pattern, std::string_view name) {
  if (glob(pattern, name)) return true;
  if (name.find('.') != std::string_view::npos) return false;
  std::string with_dot(name);
  with_dot += '.';
  return glob(pattern, with_dot);
}

bool listing_order_less(std::string_view a, std::string_view b) {
  std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    unsigned char x = lower_byte(a[i]), y = lower_byte(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

fs::path resolve_entry(const fs::path& dir, std::string_view name) {
  fs::path exact = dir / std::string(name);
  if (exists_unfollowed(exact)) return exact;
  if (std::optional<std::string> match = find_ignoring_case(dir, name)) return dir / *match;
  return exact;
}

ResolvedName resolve_name(const fs::path& working_directory, std::string_view written) {
  ResolvedName result;
  if (written.find('\0') != std::string_view::npos) {
    result.valid = false;
    return result;
  }
  if (written.find('\\') != std::string_view::npos && written.find('/') == std::string_view::npos) {
    fs::path literal = working_directory / std::string(written);
    if (exists_unfollowed(literal)) {
      result.path = literal;
      result.exists = true;
      return result;
    }
  }
  std::string text(written);
  std::replace(text.begin(), text.end(), '\\', '/');
  result.trailing_separator = !text.empty() && text.back() == '/';
  // The working directory is the root of every name: a leading separator
  // starts there, and ".." never climbs above it.
  fs::path current = working_directory;
  std::size_t depth = 0;
  std::size_t missing_at = 0;  // depth of the first part found neither way, or 0
  for (const fs::path& part : fs::path(text).relative_path()) {
    const std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (depth > 0) {
        if (depth == missing_at) missing_at = 0;
        current = current.parent_path();
        --depth;
      }
      continue;
    }
    ++depth;
    fs::path exact = current / part;
    if (missing_at != 0 || exists_unfollowed(exact)) {
      current = std::move(exact);
      continue;
    }
    if (std::optional<std::string> match = find_ignoring_case(current, name)) {
      current /= *match;
    } else {
      current = std::move(exact);
      missing_at = depth;
    }
  }
  result.path = std::move(current);
  result.exists = missing_at == 0 && exists_unfollowed(result.path);
  return result;
}

Listing list_matching(const fs::path& working_directory, std::string_view written_pattern) {
  Listing listing;
  std::string_view dir_part, name_pattern = written_pattern;
  const std::size_t separator = last_separator(written_pattern);
  if (separator != std::string_view::npos) {
    dir_part = written_pattern.substr(0, separator + 1);
    name_pattern = written_pattern.substr(separator + 1);
  }
  listing.prefix_as_written = std::string(dir_part);

  std::error_code ec;
  if (!has_wildcard(name_pattern)) {
    // A plain name that is a directory stands for everything in it.
    ResolvedName whole = resolve_name(working_directory, written_pattern);
    if (whole.valid && whole.exists && fs::is_directory(whole.path, ec)) {
      listing.prefix_as_written = std::string(written_pattern);
      if (!written_pattern.empty() && last_separator(written_pattern) != written_pattern.size() - 1)
        listing.prefix_as_written += '\\';
      dir_part = written_pattern;
      name_pattern = "*";
    }
  }
  if (name_pattern.empty()) name_pattern = "*";
  listing.name_pattern = std::string(name_pattern);

  ResolvedName dir = dir_part.empty() ? ResolvedName{working_directory, true, true, false}
                                      : resolve_name(working_directory, dir_part);
  if (!dir.valid || !dir.exists || !fs::is_directory(dir.path, ec)) return listing;
  listing.directory = dir.path.lexically_normal();
  if (listing.directory.filename().empty() && listing.directory.has_relative_path())
    listing.directory = listing.directory.parent_path();
  listing.directory_found = true;

  for (fs::directory_iterator it(dir.path, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!matches_wildcard(name_pattern, name)) continue;
    DirectoryEntry entry;
    std::error_code entry_ec;
    entry.is_directory = it->is_directory(entry_ec);
    if (!entry.is_directory) {
      std::uintmax_t size = it->file_size(entry_ec);
      entry.size = entry_ec ? 0 : size;
    }
    fs::file_time_type time = it->last_write_time(entry_ec);
    if (!entry_ec) entry.time = time;  // a dangling link keeps the earliest time
    entry.name = std::move(name);
    listing.entries.push_back(std::move(entry));
  }
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return listing_order_less(a.name, b.name); });
  return listing;
}

}  // namespace kestram

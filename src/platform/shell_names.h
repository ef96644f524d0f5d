// How the emulated commands find files: names written with backslashes or
// slashes, resolved without regard to letter case, and wildcard patterns
// matched the way the command interpreter matches them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestram {

bool has_wildcard(std::string_view pattern);

// Whether `name` matches `pattern` ('*' any run of bytes, '?' one byte),
// comparing ASCII letters without regard to case. A name without a '.' also
// matches as if it ended in one, so "*." picks the names without an extension
// and "*.*" picks every name.
bool matches_wildcard(std::string_view pattern, std::string_view name);

// The order of listings: by name without regard to ASCII letter case, bytes
// compared as unsigned; names equal but for case in byte order.
bool listing_order_less(std::string_view a, std::string_view b);

struct ResolvedName {
  std::filesystem::path path;
  bool valid = true;               // false when the name holds a NUL byte
  bool exists = false;             // something (a dangling link too) is there
  bool trailing_separator = false;  // written with a final "\" or "/"
};

// The entry `name` of `dir`: as written when it exists so, else one named
// alike but for letter case, else as written.
std::filesystem::path resolve_entry(const std::filesystem::path& dir, std::string_view name);

// Resolves a name written in a command against `working_directory`, which
// stands for the root: a name never leads out of it ("\x" is the working
// directory's x, and ".." stops there). "\" and "/" both separate
// directories; each part that does not exist as written is looked up without
// regard to letter case, and a part found neither way is kept as written (so
// is the rest of the name). A name that exists as written, backslashes
// included, is taken as it is.
ResolvedName resolve_name(const std::filesystem::path& working_directory, std::string_view written);

struct DirectoryEntry {
  std::string name;
  bool is_directory = false;  // links count as what they point to
  std::uintmax_t size = 0;    // 0 for directories and dangling links
  std::filesystem::file_time_type time{};
};

struct Listing {
  std::filesystem::path directory;  // where the entries lie
  bool directory_found = false;
  std::string prefix_as_written;    // the pattern's directory part with its final separator
  std::string name_pattern;         // what the entries' names were matched against
  std::vector<DirectoryEntry> entries;  // in listing order; "." and ".." never
};

// The entries matching a pattern such as "*.txt", "lexpage\htm_in\*.*" or a
// plain name. A plain name (or one ending in a separator) that is a directory
// lists everything in that directory.
Listing list_matching(const std::filesystem::path& working_directory, std::string_view written_pattern);

}  // namespace kestram

// dir, del, copy and md, over the real file system below the working directory.
// The copy of one file is in shell_copy.cc.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <system_error>

#include "platform/file_copy.h"
#include "platform/shell_commands.h"
#include "platform/shell_names.h"
#include "text/text.h"

namespace kestram::shell_commands {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kNoneCopied = "        0 file(s) copied.";
constexpr std::string_view kOneCopied = "        1 file(s) copied.";

std::string with_thousands_separators(std::uintmax_t value) {
  std::string digits = std::to_string(value);
  std::string result;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) result += ',';
    result += digits[i];
  }
  return result;
}

std::string right_aligned(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// "MM/DD/YYYY  hh:mm AM" in local time. The file clock's epoch is not fixed,
// so the time is carried over through its distance from now, in seconds.
std::string listing_time(fs::file_time_type time) {
  using std::chrono::duration_cast;
  using std::chrono::seconds;
  const auto file_now = duration_cast<seconds>(fs::file_time_type::clock::now().time_since_epoch());
  const auto system_now = duration_cast<seconds>(std::chrono::system_clock::now().time_since_epoch());
  const auto age = file_now - duration_cast<seconds>(time.time_since_epoch());
  std::time_t when = static_cast<std::time_t>((system_now - age).count());
  char text[32];
  const std::tm* local = std::localtime(&when);
  if (local == nullptr || std::strftime(text, sizeof text, "%m/%d/%Y  %I:%M %p", local) == 0)
    return "--/--/----  --:-- --";
  return text;
}

fs::file_time_type modified_time(const fs::path& path) {
  std::error_code ec;
  fs::file_time_type time = fs::last_write_time(path, ec);
  return ec ? fs::file_time_type{} : time;
}

std::string directory_line(fs::file_time_type time, std::string_view name) {
  std::string line = listing_time(time);
  line += "    <DIR>          ";
  line += name;
  return line;
}

std::string file_line(fs::file_time_type time, std::uintmax_t size, std::string_view name) {
  std::string line = listing_time(time);
  line += right_aligned(with_thousands_separators(size), 18);
  line += ' ';
  line += name;
  return line;
}

void write_full_listing(const CommandContext& context, const Listing& listing) {
  OutputSink& out = context.out;
  out.write_line(" Volume in drive " + listing.directory.root_path().string() + " has no label.");
  out.write_line(" Volume Serial Number is 0000-0000");
  out.write_line("");
  out.write_line(" Directory of " + listing.directory.string());
  out.write_line("");
  std::uintmax_t files = 0, dirs = 0, bytes = 0;
  for (std::string_view dot : {".", ".."}) {
    if (!matches_wildcard(listing.name_pattern, dot)) continue;
    out.write_line(directory_line(modified_time(listing.directory / std::string(dot)), dot));
    ++dirs;
  }
  for (const DirectoryEntry& entry : listing.entries) {
    if (entry.is_directory) {
      out.write_line(directory_line(entry.time, entry.name));
      ++dirs;
    } else {
      out.write_line(file_line(entry.time, entry.size, entry.name));
      ++files;
      bytes += entry.size;
    }
  }
  if (files + dirs == 0) {
    context.error("File Not Found");
    return;
  }
  std::error_code ec;
  const fs::space_info space = fs::space(listing.directory, ec);
  const std::uintmax_t free_bytes = ec ? 0 : space.available;
  out.write_line(right_aligned(std::to_string(files), 16) + " File(s) " +
                 right_aligned(with_thousands_separators(bytes), 14) + " bytes");
  out.write_line(right_aligned(std::to_string(dirs), 16) + " Dir(s) " +
                 right_aligned(with_thousands_separators(free_bytes), 15) + " bytes free");
}

// Every chunk of an option word such as "/b/o": "b", "o".
std::vector<std::string> option_chunks(const CommandWord& word) {
  std::vector<std::string> chunks;
  std::string lower = ascii_lower(word.text);
  std::size_t start = 1;
  while (start <= lower.size()) {
    std::size_t end = lower.find('/', start);
    if (end == std::string::npos) end = lower.size();
    if (end > start) chunks.push_back(lower.substr(start, end - start));
    start = end + 1;
  }
  return chunks;
}

// Splits the arguments into names and accepted options. False, after the
// message, when an option is not one of `accepted` (compared by its first
// letters, so "/o:n" counts as "o").
bool split_arguments(const CommandContext& context, const Arguments& args,
                     std::initializer_list<std::string_view> accepted, std::vector<std::string>& options,
                     std::vector<const CommandWord*>& names) {
  for (const CommandWord& arg : args) {
    if (!is_option(arg)) {
      names.push_back(&arg);
      continue;
    }
    for (const std::string& chunk : option_chunks(arg)) {
      auto known = std::find_if(accepted.begin(), accepted.end(),
                                [&](std::string_view a) { return chunk.compare(0, a.size(), a) == 0; });
      if (known == accepted.end()) {
        context.error("Invalid switch - \"" + chunk + "\".");
        return false;
      }
      options.emplace_back(*known);
    }
  }
  return true;
}

bool has(const std::vector<std::string>& options, std::string_view option) {
  return std::find(options.begin(), options.end(), option) != options.end();
}

bool remove_file(const CommandContext& context, const fs::path& path) {
  std::error_code ec;
  if (fs::remove(path, ec) && !ec) return true;
  context.error(path.string());
  context.error(kAccessDenied);
  return false;
}

}  // namespace

FileSink::FileSink(const fs::path& path, bool append) {
  errno = 0;
  file_ = std::fopen(path.string().c_str(), append ? "ab" : "wb");
  if (file_ == nullptr) keep_failure();
}

FileSink::~FileSink() { close(); }

void FileSink::keep_failure() {
  if (ok_) error_ = errno != 0 ? std::strerror(errno) : "write failed";
  ok_ = false;
}

void FileSink::write(std::string_view text) {
  if (file_ == nullptr || text.empty() || !ok_) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) keep_failure();
}

bool FileSink::close() {
  if (file_ != nullptr) {
    errno = 0;
    if (std::fclose(file_) != 0) keep_failure();
    file_ = nullptr;
  }
  return ok_;
}

void CommandContext::error(std::string_view message) const {
  console.write(message);
  console.write(std::string_view("\r\n", 2));
}

bool is_option(const CommandWord& word) { return !word.quoted && !word.text.empty() && word.text[0] == '/'; }

std::string option_name(const CommandWord& word) { return ascii_lower(std::string_view(word.text).substr(1)); }

std::string display_path(const CommandContext& context, std::string_view written) {
  return resolve_name(context.working_directory, written).path.lexically_normal().string();
}

bool is_readable_file(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

void run_dir(const CommandContext& context, const Arguments& args) {
  std::vector<std::string> options;
  std::vector<const CommandWord*> names;
  if (!split_arguments(context, args, {"b", "o", "a"}, options, names)) return;
  if (names.size() > 1) {
    context.error(kSyntaxError);
    return;
  }
  const std::string pattern = names.empty() || names[0]->text.empty() ? "*" : names[0]->text;
  if (pattern.find('\0') != std::string::npos) {
    context.error(kInvalidName);
    return;
  }
  // Listings always come in name order; "/o" asks for nothing more.
  const Listing listing = list_matching(context.working_directory, pattern);
  if (!listing.directory_found) {
    context.error(kPathNotFound);
    return;
  }
  if (!has(options, "b")) {
    write_full_listing(context, listing);
    return;
  }
  if (listing.entries.empty()) context.error("File Not Found");
  for (const DirectoryEntry& entry : listing.entries) context.out.write_line(entry.name);
}

void run_del(const CommandContext& context, const Arguments& args) {
  std::vector<std::string> options;
  std::vector<const CommandWord*> names;
  if (!split_arguments(context, args, {"q", "f", "a"}, options, names)) return;
  if (names.empty()) {
    context.error(kSyntaxError);
    return;
  }
  std::error_code ec;
  for (const CommandWord* name : names) {
    const std::string& written = name->text;
    const ResolvedName resolved = resolve_name(context.working_directory, written);
    if (!resolved.valid) {
      context.error(kInvalidName);
      continue;
    }
    const std::size_t separator = written.find_last_of("\\/");
    const bool wildcard = has_wildcard(separator == std::string::npos ? written : written.substr(separator + 1));
    if (!wildcard && resolved.exists && !fs::is_directory(resolved.path, ec)) {
      remove_file(context, resolved.path);
      continue;
    }
    if (!wildcard && !resolved.exists) {
      context.error("Could Not Find " + display_path(context, written));
      continue;
    }
    // A pattern, or a directory: the files it holds (never directories).
    const Listing listing = list_matching(context.working_directory, written);
    if (!listing.directory_found) {
      context.error(kPathNotFound);
      continue;
    }
    bool found = false;
    for (const DirectoryEntry& entry : listing.entries) {
      if (entry.is_directory) continue;
      found = true;
      remove_file(context, listing.directory / entry.name);
    }
    if (!found) context.error("Could Not Find " + display_path(context, written));
  }
}

void run_copy(const CommandContext& context, const Arguments& args) {
  std::vector<std::string> options;
  std::vector<const CommandWord*> names;
  auto fail = [&](std::string_view message) {
    context.error(message);
    context.out.write_line(kNoneCopied);
  };
  // Copy never asks before it overwrites, with "/y" or without.
  if (!split_arguments(context, args, {"y", "-y", "b", "a", "v"}, options, names)) return;
  if (names.empty() || names.size() > 2) {
    context.error(kSyntaxError);
    return;
  }
  const ResolvedName source = resolve_name(context.working_directory, names[0]->text);
  const ResolvedName target = resolve_name(context.working_directory, names.size() > 1 ? names[1]->text : ".");
  if (!source.valid || !target.valid) return fail(kInvalidName);
  std::error_code ec;
  const fs::file_status source_status = fs::status(source.path, ec);
  if (!source.exists || !fs::exists(source_status)) return fail(kFileNotFound);
  if (!fs::is_regular_file(source_status)) return fail(kAccessDenied);

  fs::path destination;
  if (target.exists && fs::is_directory(target.path, ec)) {
    destination = resolve_entry(target.path, source.path.filename().string());
  } else if (target.trailing_separator) {
    return fail(kPathNotFound);
  } else {
    destination = target.path;
    if (!fs::is_directory(destination.parent_path(), ec)) return fail(kPathNotFound);
  }
  if (fs::is_directory(destination, ec)) return fail(kAccessDenied);
  // The same file under another name (letter case, a link) is refused before
  // anything is written: a copy must never damage its own source.
  if (fs::equivalent(source.path, destination, ec) && !ec) return fail("The file cannot be copied onto itself.");

  std::string message;
  if (!copy_file(source.path, destination, message)) return fail(message);
  context.out.write_line(kOneCopied);
}

void run_md(const CommandContext& context, const Arguments& args) {
  std::vector<std::string> options;
  std::vector<const CommandWord*> names;
  if (!split_arguments(context, args, {}, options, names)) return;
  if (names.empty()) {
    context.error(kSyntaxError);
    return;
  }
  for (const CommandWord* name : names) {
    const ResolvedName resolved = resolve_name(context.working_directory, name->text);
    if (!resolved.valid) {
      context.error(kInvalidName);
      continue;
    }
    if (resolved.exists) {
      context.error("A subdirectory or file " + name->text + " already exists.");
      continue;
    }
    std::error_code ec;
    fs::create_directories(resolved.path, ec);
    if (ec) context.error(ec == std::errc::not_a_directory ? kPathNotFound : kAccessDenied);
  }
}

}  // namespace kestram::shell_commands

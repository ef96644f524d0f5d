// find, findstr and sort: filters over lines of files or of the stage's input.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/shell_commands.h"
#include "platform/shell_names.h"
#include "text/text.h"

namespace kestram::shell_commands {
namespace fs = std::filesystem;
namespace {

std::string ascii_upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return upper;
}

// A findstr search string: '.' stands for any byte, every other byte for
// itself. Matched with the shift-and method, one pass over each line whatever
// the string holds.
class DotPattern {
 public:
  DotPattern(std::string_view pattern, bool ignore_case)
      : length_(pattern.size()), words_((pattern.size() + 63) / 64), masks_(256 * words_, 0), state_(words_) {
    for (std::size_t i = 0; i < length_; ++i) {
      const std::uint64_t bit = std::uint64_t{1} << (i % 64);
      const std::size_t word = i / 64;
      const unsigned char c = static_cast<unsigned char>(pattern[i]);
      if (c == '.') {
        for (std::size_t b = 0; b < 256; ++b) masks_[b * words_ + word] |= bit;
        continue;
      }
      masks_[c * words_ + word] |= bit;
      if (ignore_case && c >= 'a' && c <= 'z') masks_[(c - 32) * words_ + word] |= bit;
      if (ignore_case && c >= 'A' && c <= 'Z') masks_[(c + 32) * words_ + word] |= bit;
    }
  }

  bool found_in(std::string_view line) {
    if (length_ == 0) return false;
    std::fill(state_.begin(), state_.end(), 0);
    const std::size_t last_word = (length_ - 1) / 64;
    const std::uint64_t last_bit = std::uint64_t{1} << ((length_ - 1) % 64);
    for (char byte : line) {
      const std::uint64_t* mask = &masks_[static_cast<unsigned char>(byte) * words_];
      std::uint64_t carry = 1;  // a match may begin at every byte
      for (std::size_t w = 0; w < words_; ++w) {
        const std::uint64_t next_carry = state_[w] >> 63;
        state_[w] = ((state_[w] << 1) | carry) & mask[w];
        carry = next_carry;
      }
      if (state_[last_word] & last_bit) return true;
    }
    return false;
  }

 private:
  std::size_t length_;
  std::size_t words_;
  std::vector<std::uint64_t> masks_;  // per byte value, the positions it may take
  std::vector<std::uint64_t> state_;  // positions matched so far, reused per line
};

// The input named by `written`, or nullopt after the command's message.
std::optional<LineReader> open_input(const CommandContext& context, std::string_view written) {
  const ResolvedName resolved = resolve_name(context.working_directory, written);
  if (!resolved.valid || !resolved.exists || !is_readable_file(resolved.path)) return std::nullopt;
  LineReader reader(resolved.path.string());
  if (!reader.is_open()) return std::nullopt;
  return reader;
}

struct FindOptions {
  bool ignore_case = false;
  bool invert = false;
  bool count_only = false;
  bool numbered = false;
};

// Writes the lines that `keep` chooses, each after `prefix`, or only counts
// them; returns the count.
template <typename Keep>
std::uint64_t filter_lines(LineReader& reader, OutputSink& out, const FindOptions& options, Keep keep,
                           std::string_view prefix = {}) {
  std::uint64_t kept = 0;
  std::string_view line;
  while (reader.next(line)) {
    if (keep(line) == options.invert) continue;
    ++kept;
    if (options.count_only) continue;
    out.write(prefix);
    if (options.numbered) out.write("[" + std::to_string(reader.line_number()) + "]");
    out.write_line(line);
  }
  return kept;
}

bool less_ignoring_case(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = static_cast<unsigned char>(ascii_lower(a[i]));
    const unsigned char y = static_cast<unsigned char>(ascii_lower(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

}  // namespace

void run_find(const CommandContext& context, const Arguments& args) {
  FindOptions options;
  std::optional<std::string> needle;
  std::vector<const CommandWord*> files;
  for (const CommandWord& arg : args) {
    if (is_option(arg) && !needle) {
      const std::string name = option_name(arg);
      if (name == "i") options.ignore_case = true;
      else if (name == "v") options.invert = true;
      else if (name == "c") options.count_only = true;
      else if (name == "n") options.numbered = true;
      else if (name != "off" && name != "offline") {
        context.error("FIND: Invalid switch");
        return;
      }
    } else if (!needle) {
      needle = arg.text;
    } else {
      files.push_back(&arg);
    }
  }
  if (!needle) {
    context.error("FIND: Parameter format not correct");
    return;
  }
  const std::string lower_needle = ascii_lower(*needle);
  // An empty string is found in no line.
  auto holds = [&](std::string_view line) {
    if (needle->empty()) return false;
    return options.ignore_case ? find_lower(line, lower_needle) != std::string_view::npos
                               : line.find(*needle) != std::string_view::npos;
  };
  if (files.empty()) {
    LineReader none = LineReader::from_memory({});
    const std::uint64_t kept = filter_lines(context.in ? *context.in : none, context.out, options, holds);
    if (options.count_only) context.out.write_line(std::to_string(kept));
    return;
  }
  // Read from files, every file's lines follow a header naming it.
  for (const CommandWord* file : files) {
    const std::string header = "---------- " + ascii_upper(file->text);
    std::optional<LineReader> reader = open_input(context, file->text);
    if (!reader) {
      context.error("File not found - " + ascii_upper(file->text));
      continue;
    }
    context.out.write_line("");
    if (options.count_only) {
      const std::uint64_t kept = filter_lines(*reader, context.out, options, holds);
      context.out.write_line(header + ": " + std::to_string(kept));
    } else {
      context.out.write_line(header);
      filter_lines(*reader, context.out, options, holds);
    }
  }
}

void run_findstr(const CommandContext& context, const Arguments& args) {
  FindOptions options;
  std::optional<std::string> search;
  std::vector<const CommandWord*> files;
  for (const CommandWord& arg : args) {
    if (is_option(arg) && !search) {
      const std::string name = option_name(arg);
      if (name == "i") options.ignore_case = true;
      else if (name == "v") options.invert = true;
      else if (name == "n") options.numbered = true;
      else context.error("FINDSTR: " + arg.text + " ignored");
    } else if (!search) {
      search = arg.text;
    } else {
      files.push_back(&arg);
    }
  }
  if (!search || search->empty()) {
    context.error("FINDSTR: Bad command line");
    return;
  }
  DotPattern pattern(*search, options.ignore_case);
  auto matches = [&](std::string_view line) { return pattern.found_in(line); };
  if (files.empty()) {
    LineReader none = LineReader::from_memory({});
    filter_lines(context.in ? *context.in : none, context.out, options, matches);
    return;
  }
  for (const CommandWord* file : files) {
    std::optional<LineReader> reader = open_input(context, file->text);
    if (!reader) {
      context.error("FINDSTR: Cannot open " + file->text);
      continue;
    }
    // With several files every line says where it comes from.
    filter_lines(*reader, context.out, options, matches, files.size() == 1 ? "" : file->text + ":");
  }
}

void run_sort(const CommandContext& context, const Arguments& args) {
  std::optional<std::string> input_name, output_name;
  bool reverse = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const CommandWord& arg = args[i];
    if (is_option(arg)) {
      const std::string name = option_name(arg);
      if (name == "r") {
        reverse = true;
      } else if (name == "o" && i + 1 < args.size()) {
        output_name = args[++i].text;
      } else {
        context.error("Invalid switch.");
        return;
      }
    } else if (!input_name) {
      input_name = arg.text;
    } else {
      context.error("Invalid switch.");
      return;
    }
  }
  // Every line is read (and the input closed) before the output is opened,
  // so sorting a file onto itself loses nothing.
  std::vector<std::string> lines;
  {
    std::optional<LineReader> file =
        input_name ? open_input(context, *input_name) : std::optional<LineReader>();
    if (input_name && !file) {
      context.error(kFileNotFound);
      return;
    }
    LineReader none = LineReader::from_memory({});
    LineReader* reader = file ? &*file : context.in ? context.in : &none;
    std::string_view line;
    while (reader->next(line)) lines.emplace_back(line);
  }
  std::stable_sort(lines.begin(), lines.end(), less_ignoring_case);
  if (reverse) std::reverse(lines.begin(), lines.end());

  if (!output_name) {
    for (const std::string& line : lines) context.out.write_line(line);
    return;
  }
  const ResolvedName target = resolve_name(context.working_directory, *output_name);
  std::error_code ec;
  if (!target.valid) {
    context.error(kInvalidName);
    return;
  }
  if (target.exists && !fs::is_regular_file(target.path, ec)) {
    context.error(kAccessDenied);
    return;
  }
  FileSink out(target.path, false);
  if (!out.is_open()) {
    context.error(kPathNotFound);
    return;
  }
  for (const std::string& line : lines) out.write_line(line);
  if (!out.close()) context.error("There is not enough space on the disk.");
}

}  // namespace kestram::shell_commands

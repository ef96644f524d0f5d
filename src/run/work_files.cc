#include "run/work_files.h"

#include <filesystem>
#include <system_error>

#include "text/lines.h"
#include "text/text.h"

namespace kestram {
namespace {

// Only plain files are read: opening a pipe or a device named like a work
// file could block the run forever.
bool is_plain_file(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::uint64_t count_nonblank_lines(const std::string& path) {
  if (!is_plain_file(path)) return 0;
  LineReader reader(path);
  std::uint64_t count = 0;
  std::string_view line;
  while (reader.next(line))
    if (leading_blanks(line) < line.size()) ++count;
  return count;
}

std::string last_listed_name(const std::string& path) {
  if (!is_plain_file(path)) return {};
  LineReader reader(path);
  std::string last;
  std::string_view line;
  while (reader.next(line)) last.assign(line.data(), line.size());
  return std::string(trim_blanks(ascii_lower(last)));
}

void start_up_clean_up(Shell& shell) {
  shell.run("dir > f_01.txt");
  shell.run("del /q f_*.txt");
}

}  // namespace kestram

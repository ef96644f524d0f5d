#include "restructure/chapter_list.h"

#include <charconv>

#include "text/text.h"

namespace kestram {
namespace {

constexpr int kDefaultConsoleWidth = 80;
constexpr std::string_view kColumnGap = "  ";

}  // namespace

std::string base_name_of(std::string_view input_file_name) {
  std::size_t at = find_lower(input_file_name, ".txt");
  return std::string(input_file_name.substr(0, at));
}

std::string chapters_file_name(std::string_view base_name) {
  return std::string(base_name) + "_chapters.txt";
}

void print_chapter_list(const ChapterTable& table, int console_width,
                        const std::function<void(std::string_view)>& print_line) {
  const std::uint64_t width = console_width > 0 ? static_cast<std::uint64_t>(console_width)
                                                : static_cast<std::uint64_t>(kDefaultConsoleWidth);
  print_line(kChapterListRule);
  std::string line;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    std::string_view mark = table.mark_number(row);
    std::string_view chapter = table.chapter_number(row);
    // 0-based column after the mark on its last console line. A mark filling
    // its line exactly leaves the cursor at the start of the next one.
    const std::uint64_t column = mark.size() % width;
    // The next zone strictly after the cursor: a 14-character mark is
    // followed by 14 blanks, not by none.
    const std::uint64_t zone_width = kPrintZoneWidth;
    const std::uint64_t blanks = zone_width - column % zone_width;
    const std::uint64_t zone = column + blanks;  // 0-based
    if (zone + zone_width >= width) {
      print_line(mark);
      print_line(chapter);
      continue;
    }
    line.assign(mark);
    line.append(blanks, ' ');
    line.append(chapter);
    print_line(line);
  }
}

void write_chapters_file(const ChapterTable& table, LineWriter& out) {
  auto column = [&out](std::string_view text) {
    if (text.empty()) return;
    out.write(text);
    out.write(kColumnGap);
  };
  char digits[24];
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    column(table.mark_number(row));
    const std::to_chars_result line = std::to_chars(digits, digits + sizeof digits, table.mark_line(row));
    column(std::string_view(digits, static_cast<std::size_t>(line.ptr - digits)));
    column(table.indent_width_text(row));
    column(table.chapter_number(row));
    std::string_view components = table.components(row);
    std::size_t from = 0;
    while (from <= components.size()) {
      std::size_t point = components.find('.', from);
      if (point == std::string_view::npos) point = components.size();
      column(components.substr(from, point - from));
      from = point + 1;
    }
    out.write_line(kColumnGap);
    out.write_line(kColumnGap);
  }
}

}  // namespace kestram

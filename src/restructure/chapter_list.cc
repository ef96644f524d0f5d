#include "restructure/chapter_list.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "restructure/renumber.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr int kDefaultConsoleWidth = 80;
constexpr std::string_view kColumnGap = "  ";
constexpr std::string_view kLineEnd = "\r\n";
// Output is gathered into blocks of about this size and handed on whole, so
// a table of a million rows costs a few hundred calls, not millions.
constexpr std::size_t kBlockBytes = 64 * 1024;

// A non-empty cell and its gap.
void append_column(std::string& out, std::string_view text) {
  if (text.empty()) return;
  out += text;
  out += kColumnGap;
}

void append_number_column(std::string& out, std::uint64_t number) {
  char digits[20];  // a 64-bit number has at most 20
  const char* const end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  out.append(digits, static_cast<std::size_t>(end - digits));
  out += kColumnGap;
}

// Every non-empty component of a dotted text, each followed by the gap.
void append_components(std::string& out, std::string_view dotted) {
  std::size_t from = 0;
  while (from <= dotted.size()) {
    const std::size_t point = std::min(dotted.find('.', from), dotted.size());
    append_column(out, dotted.substr(from, point - from));
    from = point + 1;
  }
}

// The console line (or two lines) of a row, with its line end: the mark
// number, then blanks up to the next print zone and the chapter number, or
// the chapter number on a line of its own when that zone would start within
// the last 14 columns of a console line.
void append_list_line(std::string& out, std::string_view mark, std::string_view chapter, std::uint64_t width) {
  // 0-based column after the mark on its last console line. A mark filling
  // its line exactly leaves the cursor at the start of the next one.
  const std::uint64_t column = mark.size() < width ? mark.size() : mark.size() % width;
  // The next zone strictly after the cursor: a 14-character mark is
  // followed by 14 blanks, not by none.
  const std::uint64_t zone_width = kPrintZoneWidth;
  const std::uint64_t blanks = zone_width - column % zone_width;
  const std::uint64_t zone = column + blanks;  // 0-based
  out += mark;
  if (zone + zone_width < width) {
    out.append(static_cast<std::size_t>(blanks), ' ');
  } else {
    out += kLineEnd;
  }
  out += chapter;
  out += kLineEnd;
}

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
  std::string block;
  block += kChapterListRule;
  block += kLineEnd;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    append_list_line(block, table.mark_number(row), table.chapter_number(row), width);
    if (block.size() >= kBlockBytes) {
      // print_line ends the last line of a block; the others carry their ends.
      block.resize(block.size() - kLineEnd.size());
      print_line(block);
      block.clear();
    }
  }
  if (!block.empty()) {
    block.resize(block.size() - kLineEnd.size());
    print_line(block);
  }
}

void write_chapters_file(const ChapterTable& table, LineSink& out) {
  // The widths of the levels the renumbering gives, formatted once.
  std::string level_widths[kMaxChapterLevel + 1];
  for (int level = 0; level <= kMaxChapterLevel; ++level)
    level_widths[level] = table.indent_width_text_of_level(level);
  std::string block;
  for (std::size_t row = 1; row <= table.chapter_count(); ++row) {
    const int level = table.level(row);
    append_column(block, table.mark_number(row));
    append_number_column(block, table.mark_line(row));
    append_column(block, level >= 0 && level <= kMaxChapterLevel ? level_widths[level] : table.indent_width_text(row));
    append_column(block, table.chapter_number(row));
    append_components(block, table.components(row));
    block += "  \r\n  \r\n";
    if (block.size() >= kBlockBytes) {
      out.write(block);
      block.clear();
    }
  }
  out.write(block);
}

}  // namespace kestram

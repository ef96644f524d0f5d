#include "html/table_block.h"

#include <algorithm>

#include "html/html_escape.h"
#include "text/text.h"

namespace kestram {
namespace {

constexpr std::string_view kTableStart = "table_start:";
constexpr std::string_view kColumn = "column:";
constexpr std::string_view kAlign = "align:";
constexpr std::string_view kTableEnd = "table_end:";

// Grids up to this many cells are always written; beyond it a grid may have
// at most kMaxCellsPerLine cells for every line of its block.
constexpr std::uint64_t kAlwaysFineCells = std::uint64_t{1} << 20;
constexpr std::uint64_t kMaxCellsPerLine = 16;

// An empty element that carries an id, for a heading line of a block that
// no cell holds.
void write_loose_anchor(std::string_view id, LineSink& page) {
  page.write("<a ID=\"");
  page.write(id);
  page.write("\"></a>");
}

// The caption: the escaped opening line after its keyword and the separator,
// unless the separator was a bracket: its escaped form is kept whole.
std::string_view caption_of(std::string_view escaped_opening_line) {
  const std::string_view stripped = trim_blanks(escaped_opening_line);
  const std::string_view after_keyword = stripped.substr(std::min(kTableStart.size(), stripped.size()));
  const std::string_view first = after_keyword.substr(0, 4);
  if (first == "&lt;" || first == "&gt;") return after_keyword;
  return keyword_value(stripped, kTableStart.size());
}

}  // namespace

bool is_end_line(std::string_view stripped) { return starts_with_lower(stripped, kTableEnd); }

void TableBlockLines::add(std::string_view line, std::string_view anchor) {
  if (!anchor.empty()) anchors_.emplace_back(ends_.size(), anchor);
  text_.append(line);
  ends_.push_back(text_.size());
}

void TableBlockLines::clear() {
  text_.clear();
  ends_.clear();
  anchors_.clear();
}

std::string_view TableBlockLines::operator[](std::size_t index) const {
  const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::string_view(text_).substr(begin, ends_[index] - begin);
}

bool is_table_start(std::string_view line) { return is_keyword_line(line, kTableStart); }

TableBlock parse_table_block(const TableBlockLines& lines) {
  TableBlock block;
  if (lines.size() == 0) return block;
  block.caption = caption_of(lines[0]);

  // One walk decides every line's role, so the grid's size and its contents
  // can never disagree, however odd the block.
  TableColumn* column = nullptr;
  bool after_column_line = false;
  // The heading lines in turn: a cell takes the anchor of its line, and
  // every anchor passed by is of a line that no cell holds.
  const auto& anchors = lines.anchors();
  std::size_t next_anchor = 0;
  auto pass_anchors_before = [&](std::size_t line) {
    for (; next_anchor < anchors.size() && anchors[next_anchor].first < line; ++next_anchor)
      block.loose_anchors.push_back(anchors[next_anchor].second);
  };
  auto add_cell = [&](std::size_t line, std::string_view text) {
    if (next_anchor < anchors.size() && anchors[next_anchor].first == line)
      block.cell_anchors.push_back({column->cells.size(), block.columns.size() - 1, anchors[next_anchor++].second});
    column->cells.push_back(text);
  };
  for (std::size_t i = 1; i < lines.size(); ++i) {
    pass_anchors_before(i);
    const std::string_view stripped = trim_blanks(lines[i]);
    if (after_column_line) {
      after_column_line = false;
      if (starts_with_lower(stripped, kAlign)) {
        column->alignment = ascii_lower(keyword_value(stripped, kAlign.size()));
        continue;
      }
      if (is_end_line(stripped)) break;
      add_cell(i, stripped);  // even a column line is a cell here
      continue;
    }
    if (starts_with_lower(stripped, kColumn)) {
      block.columns.emplace_back();
      column = &block.columns.back();
      column->name = keyword_value(stripped, kColumn.size());
      after_column_line = true;
      continue;
    }
    if (is_end_line(stripped)) break;
    if (column != nullptr) add_cell(i, stripped);
  }

  for (const TableColumn& c : block.columns)
    if (c.cells.size() > block.row_count) block.row_count = c.cells.size();
  pass_anchors_before(lines.size());
  std::sort(block.cell_anchors.begin(), block.cell_anchors.end(), [](const CellAnchor& a, const CellAnchor& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  return block;
}

void write_table_block(const TableBlock& block, LineSink& page) {
  for (std::string_view id : block.loose_anchors) write_loose_anchor(id, page);
  page.write_line("<table style=\"font-size:100%\" align=\"center\" border=\"1\">");
  if (!block.caption.empty()) {
    page.write("<caption><b>");
    page.write(block.caption);
    page.write_line("</b></caption>");
  }

  bool any_name = false;
  for (const TableColumn& c : block.columns) any_name = any_name || !c.name.empty();
  if (any_name) {
    page.write_line("<tr>");
    for (const TableColumn& c : block.columns) {
      page.write("<th>");
      page.write(c.name);
      page.write_line("</th>");
    }
    page.write_line("</tr>");
  }

  std::size_t next_anchor = 0;
  for (std::size_t row = 0; row < block.row_count; ++row) {
    page.write_line("<tr>");
    for (std::size_t column = 0; column < block.columns.size(); ++column) {
      const TableColumn& c = block.columns[column];
      if (row >= c.cells.size()) {
        page.write_line("<td></td>");  // padding: no line, so no alignment
        continue;
      }
      page.write("<td");
      const bool anchored = next_anchor < block.cell_anchors.size() && block.cell_anchors[next_anchor].row == row &&
                            block.cell_anchors[next_anchor].column == column;
      if (anchored) {
        page.write(" ID=\"");
        page.write(block.cell_anchors[next_anchor++].id);
        page.write("\"");
      }
      if (!c.alignment.empty()) {
        page.write(" align=\"");
        page.write(c.alignment);
        page.write("\"");
      }
      page.write(">");
      page.write(c.cells[row]);
      page.write_line("</td>");
    }
    page.write_line("</tr>");
  }
  page.write_line(" </table>");
}

bool table_grid_is_reasonable(const TableBlock& block, std::size_t block_line_count) {
  const std::uint64_t rows = block.row_count;
  const std::uint64_t columns = block.columns.size();
  // Both are below the line count, so the product cannot overflow 64 bits
  // for any block that fits in memory; dividing keeps it safe regardless.
  if (columns == 0 || rows <= kAlwaysFineCells / columns) return true;
  const std::uint64_t allowed = kMaxCellsPerLine * static_cast<std::uint64_t>(block_line_count);
  return rows <= allowed / columns;
}

void write_collected_block(const TableBlockLines& lines, LineSink& page) {
  const TableBlock block = parse_table_block(lines);
  if (table_grid_is_reasonable(block, lines.size())) {
    write_table_block(block, page);
  } else {
    const auto& anchors = lines.anchors();
    std::size_t next_anchor = 0;
    std::string escaped;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (next_anchor < anchors.size() && anchors[next_anchor].first == i)
        write_loose_anchor(anchors[next_anchor++].second, page);
      if (i == 0) {
        page.write_line(lines[0]);  // the opening line comes escaped
        continue;
      }
      escaped.clear();
      append_html_escaped(escaped, lines[i]);
      page.write_line(escaped);
    }
  }
}

}  // namespace kestram

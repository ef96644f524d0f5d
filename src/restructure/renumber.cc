#include "restructure/renumber.h"

#include <string>
#include <string_view>
#include <vector>

#include "restructure/chapter_mark.h"

namespace kestram {
namespace {

// Components as the table keeps them: dotted text without trailing empty
// components, so "" holds no non-empty component at all.
std::vector<std::string_view> split_components(std::string_view dotted) {
  std::vector<std::string_view> parts;
  if (dotted.empty()) return parts;
  std::size_t from = 0;
  for (;;) {
    std::size_t point = dotted.find('.', from);
    if (point == std::string_view::npos) {
      parts.push_back(dotted.substr(from));
      return parts;
    }
    parts.push_back(dotted.substr(from, point - from));
    from = point + 1;
  }
}

// Non-empty components anywhere; an empty one in between is skipped.
std::size_t count_nonempty(const std::vector<std::string_view>& parts) {
  std::size_t count = 0;
  for (std::string_view part : parts)
    if (!part.empty()) ++count;
  return count;
}

// The components before the first empty one.
std::vector<std::string> leading_components(const std::vector<std::string_view>& parts) {
  std::vector<std::string> leading;
  for (std::string_view part : parts) {
    if (part.empty() || leading.size() == static_cast<std::size_t>(kMaxChapterLevel)) break;
    leading.emplace_back(part);
  }
  return leading;
}

std::string join_components(const std::vector<std::string>& components) {
  std::string dotted;
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i > 0) dotted += '.';
    dotted += components[i];
  }
  return dotted;
}

// Components 1 to t-1 of the previous chapter, then its component t counted
// up; t counts from 1 and is at most one past the previous chapter's leading
// components (whose next component is empty and counts as 0).
std::vector<std::string> next_at(const std::vector<std::string>& previous, std::size_t t) {
  std::vector<std::string> components(previous.begin(), previous.begin() + (t - 1));
  components.push_back(increment_component(t <= previous.size() ? previous[t - 1] : std::string()));
  return components;
}

// The components of a chapter whose mark has `level` points (2 or more), from
// the leading components of the chapter before it and that one's mark level.
std::vector<std::string> relinked_components(const std::vector<std::string>& previous,
                                             std::size_t previous_level, std::size_t level) {
  const std::size_t k = previous.size();
  if (level == previous_level) return next_at(previous, k >= 2 ? k : k + 1);
  if (level > previous_level) {
    // No level beyond the deepest: the chapter becomes the next sibling.
    if (k == static_cast<std::size_t>(kMaxChapterLevel)) return next_at(previous, k);
    std::vector<std::string> components = previous;
    components.emplace_back("1");
    return components;
  }
  // Going up from level 2 stays at level 2; from level 0 or 1 there is no
  // chapter to count up, and the number is empty.
  if (k == 2) return next_at(previous, 2);
  if (k < 2) return {};
  return next_at(previous, k - 1);
}

std::string chapter_number_of(const std::vector<std::string>& leading) {
  std::string number = join_components(leading);
  if (leading.size() == 1) number += '.';
  return number;
}

// Mark numbers end with a point from the renumbering on, so that the written
// numbers "1.2" and "1.2." are the same mark for levels and cross-references.
std::size_t normalise_mark_number(ChapterTable& table, std::size_t row) {
  std::string_view mark = table.mark_number(row);
  if (mark.empty() || mark.back() != '.') table.set_mark_number(row, std::string(mark) + '.');
  return mark_level(table.mark_number(row));
}

}  // namespace

void renumber_chapters(ChapterTable& table, std::int64_t indent_increment) {
  table.set_indent_increment(indent_increment);
  const std::size_t count = table.chapter_count();
  if (count == 0) {
    table.finish();
    return;
  }
  // The first chapter keeps its split; its number of non-empty components
  // decides which later marks advance the top-level counter.
  std::string first(table.components(1));
  std::vector<std::string_view> first_parts = split_components(first);
  const std::size_t top_depth = count_nonempty(first_parts);
  std::string top_number = rounded_leading_number(table.mark_number(1));
  std::size_t previous_level = normalise_mark_number(table, 1);
  std::vector<std::string> previous = leading_components(first_parts);
  table.set_chapter(1, chapter_number_of(previous), static_cast<int>(previous.size()));

  // Counting the top level and relinking share one pass: whether a row
  // advances the counter depends only on its own written components, and
  // only a level-1 row keeps what the counter gave it.
  for (std::size_t row = 2; row <= count; ++row) {
    // Copied: storing texts in the table may move the views it hands out.
    std::string components(table.components(row));
    std::vector<std::string_view> parts = split_components(components);
    if (count_nonempty(parts) <= top_depth) {
      top_number = increment_component(top_number);
      std::size_t point = components.find('.');
      components = top_number + (point == std::string::npos ? std::string() : components.substr(point));
      parts = split_components(components);
    }
    const std::size_t level = normalise_mark_number(table, row);
    std::vector<std::string> current;
    if (level == 1) {
      // A level-1 mark keeps its split, with the counted top-level number.
      current = leading_components(parts);
      table.set_components(row, components);
    } else {
      current = relinked_components(previous, previous_level, level);
      table.set_components(row, join_components(current));
    }
    table.set_chapter(row, chapter_number_of(current), static_cast<int>(current.size()));
    previous = std::move(current);
    previous_level = level;
  }
  table.finish();
}

}  // namespace kestram

#include "restructure/renumber.h"

#include <string>
#include <string_view>
#include <vector>

#include "restructure/chapter_mark.h"

namespace kestram {
namespace {

// A chapter's leading components, held as their dotted text with the end of
// each component. The renumbering keeps two of these and reuses them for
// every row, so a table of a million chapters costs no allocation per row.
class Components {
 public:
  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1] + 1;
    return std::string_view(dotted_).substr(begin, ends_[i] - begin);
  }
  // The components joined by points.
  std::string_view dotted() const { return dotted_; }

  void clear() {
    dotted_.clear();
    ends_.clear();
  }
  void push(std::string_view component) {
    if (!ends_.empty()) dotted_ += '.';
    dotted_.append(component);
    ends_.push_back(dotted_.size());
  }
  // Appends the component counted up by one.
  void push_incremented(std::string_view component) {
    if (!ends_.empty()) dotted_ += '.';
    append_incremented_component(dotted_, component);
    ends_.push_back(dotted_.size());
  }
  // Keeps the first `count` components.
  void keep_first(std::size_t count) {
    if (count >= ends_.size()) return;
    dotted_.resize(count == 0 ? 0 : ends_[count - 1]);
    ends_.resize(count);
  }

 private:
  std::string dotted_;
  std::vector<std::size_t> ends_;
};

// Calls `visit` with every component of a dotted text as the table keeps it
// (no trailing empty components, so "" holds none at all) until it returns
// false.
template <typename Visit>
void for_each_component(std::string_view dotted, Visit visit) {
  if (dotted.empty()) return;
  std::size_t from = 0;
  for (;;) {
    const std::size_t point = dotted.find('.', from);
    if (point == std::string_view::npos) {
      visit(dotted.substr(from));
      return;
    }
    if (!visit(dotted.substr(from, point - from))) return;
    from = point + 1;
  }
}

// Non-empty components anywhere; an empty one in between is skipped.
std::size_t count_nonempty(std::string_view dotted) {
  std::size_t count = 0;
  for_each_component(dotted, [&count](std::string_view part) {
    if (!part.empty()) ++count;
    return true;
  });
  return count;
}

// The components before the first empty one, at most kMaxChapterLevel.
void leading_components(std::string_view dotted, Components& leading) {
  leading.clear();
  for_each_component(dotted, [&leading](std::string_view part) {
    if (part.empty() || leading.size() == static_cast<std::size_t>(kMaxChapterLevel)) return false;
    leading.push(part);
    return true;
  });
}

// Components 1 to t-1 of the previous chapter, then its component t counted
// up; t counts from 1 and is at most one past the previous chapter's leading
// components (whose next component is empty and counts as 0).
void next_at(const Components& previous, std::size_t t, Components& next) {
  next.clear();
  for (std::size_t i = 0; i + 1 < t; ++i) next.push(previous[i]);
  next.push_incremented(t <= previous.size() ? previous[t - 1] : std::string_view());
}

// The components of a chapter whose mark has `level` points (2 or more), from
// the leading components of the chapter before it and that one's mark level.
void relinked_components(const Components& previous, std::size_t previous_level, std::size_t level,
                         Components& current) {
  const std::size_t k = previous.size();
  if (level == previous_level) return next_at(previous, k >= 2 ? k : k + 1, current);
  if (level > previous_level) {
    // No level beyond the deepest: the chapter becomes the next sibling.
    if (k == static_cast<std::size_t>(kMaxChapterLevel)) return next_at(previous, k, current);
    current = previous;
    current.push("1");
    return;
  }
  // Going up from level 2 stays at level 2; from level 0 or 1 there is no
  // chapter to count up, and the number is empty.
  if (k == 2) return next_at(previous, 2, current);
  if (k < 2) return current.clear();
  next_at(previous, k - 1, current);
}

// Sets the row's chapter number: the components joined, with a final point
// at level 1.
void set_chapter_of(ChapterTable& table, std::size_t row, const Components& leading, std::string& scratch) {
  scratch.assign(leading.dotted());
  if (leading.size() == 1) scratch += '.';
  table.set_chapter(row, scratch, static_cast<int>(leading.size()));
}

// Mark numbers end with a point from the renumbering on, so that the written
// numbers "1.2" and "1.2." are the same mark for levels and cross-references.
std::size_t normalise_mark_number(ChapterTable& table, std::size_t row, std::string& scratch) {
  const std::string_view mark = table.mark_number(row);
  if (mark.empty() || mark.back() != '.') {
    // Copied first: storing a text in the table may move the views it hands out.
    scratch.assign(mark);
    scratch += '.';
    table.set_mark_number(row, scratch);
  }
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
  std::string scratch;
  // The first chapter keeps its split; its number of non-empty components
  // decides which later marks advance the top-level counter.
  std::string components(table.components(1));
  const std::size_t top_depth = count_nonempty(components);
  std::string top_number = rounded_leading_number(table.mark_number(1));
  std::size_t previous_level = normalise_mark_number(table, 1, scratch);
  Components previous;
  Components current;
  leading_components(components, previous);
  set_chapter_of(table, 1, previous, scratch);

  // Counting the top level and relinking share one pass: whether a row
  // advances the counter depends only on its own written components, and
  // only a level-1 row keeps what the counter gave it.
  for (std::size_t row = 2; row <= count; ++row) {
    // Copied: storing texts in the table may move the views it hands out.
    components.assign(table.components(row));
    if (count_nonempty(components) <= top_depth) {
      scratch.clear();
      append_incremented_component(scratch, top_number);
      top_number.swap(scratch);
      const std::size_t point = components.find('.');
      components.replace(0, point == std::string::npos ? components.size() : point, top_number);
    }
    const std::size_t level = normalise_mark_number(table, row, scratch);
    if (level == 1) {
      // A level-1 mark keeps its split, with the counted top-level number.
      leading_components(components, current);
      table.set_components(row, components);
    } else {
      relinked_components(previous, previous_level, level, current);
      table.set_components(row, current.dotted());
    }
    set_chapter_of(table, row, current, scratch);
    std::swap(previous, current);
    previous_level = level;
  }
  table.finish();
}

}  // namespace kestram

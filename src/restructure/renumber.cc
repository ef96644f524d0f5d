#include "restructure/renumber.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "restructure/chapter_mark.h"

namespace kestram {
namespace {

constexpr std::size_t kMaxLevel = static_cast<std::size_t>(kMaxChapterLevel);

// The whole number at the start of the text plus one, in place.
void count_up(std::string& number) {
  // Mostly a plain number whose last digit just goes up.
  const bool plain = !number.empty() && number.back() != '9' && (number[0] != '0' || number.size() == 1) &&
                     number.find_first_not_of("0123456789") == std::string::npos;
  if (plain) {
    ++number.back();
    return;
  }
  number = increment_component(number);
}

// A chapter's leading components as their dotted text. The renumbering
// keeps one chain and changes it from row to row.
class Chain {
 public:
  std::size_t size() const { return ends_.size(); }
  // The components joined by points.
  const std::string& dotted() const { return dotted_; }

  void clear() {
    dotted_.clear();
    ends_.clear();
  }

  // The components of a dotted text (as the table keeps it: no trailing
  // empty components) before its first empty one, at most kMaxLevel of them.
  void set_leading(std::string_view dotted) {
    ends_.clear();
    std::size_t from = 0;
    while (ends_.size() < kMaxLevel && from < dotted.size() && dotted[from] != '.') {
      const std::size_t point = std::min(dotted.find('.', from), dotted.size());
      ends_.push_back(point);
      from = point + 1;
    }
    dotted_.assign(dotted.substr(0, ends_.empty() ? 0 : ends_.back()));
  }

  // Appends a component "1" (an empty one counted up); the chain holds
  // fewer than kMaxLevel components.
  void push_one() {
    if (!ends_.empty()) dotted_ += '.';
    dotted_ += '1';
    ends_.push_back(dotted_.size());
  }

  // Keeps the first `count` components, when there are more.
  void keep_first(std::size_t count) {
    if (count >= size()) return;
    ends_.resize(count);
    dotted_.resize(count == 0 ? 0 : ends_.back());
  }

  // Counts the last component up by one. The chain is not empty.
  void count_up_last() {
    const std::size_t begin = size() == 1 ? 0 : ends_[size() - 2] + 1;
    last_.assign(dotted_, begin);
    count_up(last_);
    dotted_.replace(begin, std::string::npos, last_);
    ends_.back() = dotted_.size();
  }

 private:
  std::string dotted_;
  std::vector<std::size_t> ends_;  // where each component ends in dotted_
  std::string last_;
};

// Number of components that start in a dotted text: bytes that are no point
// and follow a point or the start.
std::size_t nonempty_components(std::string_view dotted) {
  std::size_t count = 0;
  bool after_point = true;
  for (char c : dotted) {
    count += after_point && c != '.';
    after_point = c == '.';
  }
  return count;
}

// Moves the chain from the chapter before to a chapter whose mark has
// `level` points (2 or more), by the mark level of the chapter before: the
// same level counts up the last component (or, when the chain holds fewer
// than two, appends a first one), a deeper level appends a component, a
// higher one goes back one component and counts it up.
void relink(Chain& chain, std::size_t previous_level, std::size_t level) {
  const std::size_t k = chain.size();
  if (level == previous_level) {
    if (k >= 2) return chain.count_up_last();
    return chain.push_one();
  }
  if (level > previous_level) {
    // No level beyond the deepest: the chapter becomes the next sibling.
    if (k == kMaxLevel) return chain.count_up_last();
    return chain.push_one();
  }
  // Going up from level 2 stays at level 2; from level 0 or 1 there is no
  // chapter to count up, and the number is empty.
  if (k < 2) return chain.clear();
  if (k > 2) chain.keep_first(k - 1);
  chain.count_up_last();
}

// The renumbering's state from one row to the next.
class Renumbering {
 public:
  explicit Renumbering(ChapterTable& table) : table_(table) {}

  // The first chapter keeps its split; its number of non-empty components
  // decides which later marks advance the top-level counter.
  void first_row() {
    const std::string_view components = table_.components(1);
    top_number_ = rounded_leading_number(table_.mark_number(1));
    top_depth_ = nonempty_components(components);
    previous_level_ = normalise_mark_number(1);
    chain_.set_leading(components);
    set_chapter_of(1, components);
  }

  // Whether a row advances the counter depends only on its own written
  // components, and only a level-1 row keeps what the counter gave it.
  void later_row(std::size_t row) {
    std::string_view components = table_.components(row);
    const bool counts = nonempty_components(components) <= top_depth_;
    const std::size_t level = normalise_mark_number(row);
    if (counts) count_up(top_number_);
    if (level == 1) {
      // A level-1 mark keeps its split, with the counted top-level number;
      // its chain is the start of it.
      if (counts) {
        const std::size_t point = components.find('.');
        counted_ = top_number_;
        if (point != std::string_view::npos) counted_ += components.substr(point);
        components = counted_;
      }
      chain_.set_leading(components);
      set_chapter_of(row, components);
    } else {
      relink(chain_, previous_level_, level);
      set_chapter_of(row, chain_.dotted());
    }
    previous_level_ = level;
  }

 private:
  // Mark numbers end with a point from the renumbering on, so that the
  // written numbers "1.2" and "1.2." are the same mark for levels and
  // cross-references. Returns the mark's level, which the point does not
  // change.
  std::size_t normalise_mark_number(std::size_t row) {
    const std::string_view mark = table_.mark_number(row);
    const std::size_t level = mark_level(mark);
    if (mark.empty() || mark.back() != '.') table_.append_point_to_mark_number(row);
    return level;
  }

  // Sets the row's components and its chapter number: the chain's
  // components, with a final point at level 1.
  void set_chapter_of(std::size_t row, std::string_view components) {
    table_.set_components(row, components);
    chapter_ = chain_.dotted();
    if (chain_.size() == 1) chapter_ += '.';
    table_.set_chapter(row, chapter_, static_cast<int>(chain_.size()));
  }

  ChapterTable& table_;
  std::string top_number_;
  std::size_t top_depth_ = 0;
  std::size_t previous_level_ = 0;
  Chain chain_;
  // Reused from row to row, so that most rows cost no allocation.
  std::string counted_;
  std::string chapter_;
};

}  // namespace

void renumber_chapters(ChapterTable& table, std::int64_t indent_increment, RowsReady* ready) {
  table.set_indent_increment(indent_increment);
  Renumbering renumbering(table);
  std::size_t row = 1;
  auto complete_rows = [&] { return ready != nullptr ? ready->wait_beyond(row - 1) : table.chapter_count(); };
  for (std::size_t complete = complete_rows(); row <= complete; complete = complete_rows()) {
    for (; row <= complete; ++row) {
      if (row == 1) {
        renumbering.first_row();
      } else {
        renumbering.later_row(row);
      }
    }
  }
  table.finish();
}

}  // namespace kestram

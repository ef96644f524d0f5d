// The renumbering rules are shown by tests/examples/chapter_marks.txt.
#include "restructure/renumber.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kestram {
namespace {

using Texts = std::vector<std::string>;

ChapterTable renumbered(const Texts& marks, std::int64_t increment = 2) {
  ChapterTable table;
  for (std::size_t i = 0; i < marks.size(); ++i) table.add_row(marks[i], 10 * (i + 1));
  renumber_chapters(table, increment);
  return table;
}

Texts chapter_numbers(const ChapterTable& table) {
  Texts numbers;
  for (std::size_t r = 1; r <= table.chapter_count(); ++r) numbers.emplace_back(table.chapter_number(r));
  return numbers;
}

// Leading zeros change no level and no count: marks padded to any length
// number the chapters as the bare marks do, but for the zeros kept from
// written marks.
TEST(Renumber, PaddedMarksKeepTheirShape) {
  std::vector<Texts> lists = {
      {"1.", "1.1", "1..2", ".", "1.1.1.", "2.3", "1.2.3.4.5", "3.", "..", "1.1", "4.", "4.1.1"}};
  // Random marks (points at either end, empty components, nines that
  // carry), short and, once padded, long. The first mark's
  // fraction is below a half or none, which no padding rounds differently.
  std::mt19937 random(11);
  for (int list = 0; list < 300; ++list) {
    Texts marks(1, std::string(1 + random() % 3, "1299"[random() % 4]) + ".");
    for (std::size_t k = random() % 5; k > 0; --k) marks[0] += ".1"[random() % 2];
    const std::size_t count = 1 + random() % 12;
    while (marks.size() < count) {
      std::string mark;
      const std::size_t length = 1 + random() % 16;
      for (std::size_t k = 0; k < length; ++k) mark += "..1299"[random() % 6];
      if (mark.find('.') != std::string::npos) marks.push_back(mark);
    }
    lists.push_back(marks);
  }
  auto pad = [](const std::string& mark, std::size_t zeros) {
    std::string padded;
    bool in_component = false;
    for (char c : mark) {
      if (c != '.' && !in_component) padded.append(zeros, '0');
      in_component = c != '.';
      padded += c;
    }
    return padded;
  };
  auto without_zeros = [](const std::string& dotted) {
    std::string bare_number;
    bool leading = true;
    for (std::size_t i = 0; i < dotted.size(); ++i) {
      const char c = dotted[i];
      const bool last_of_component = i + 1 == dotted.size() || dotted[i + 1] == '.';
      if (c == '0' && leading && !last_of_component) continue;
      leading = c == '.';
      bare_number += c;
    }
    return bare_number;
  };
  for (const Texts& bare : lists) {
    const Texts expected = chapter_numbers(renumbered(bare));
    for (std::size_t zeros : {1, 2, 3, 5, 8, 13, 20}) {
      Texts padded;
      for (const std::string& mark : bare) padded.push_back(pad(mark, zeros));
      const ChapterTable table = renumbered(padded);
      Texts numbers;
      for (const std::string& number : chapter_numbers(table)) numbers.push_back(without_zeros(number));
      ASSERT_EQ(expected, numbers) << zeros << " " << bare[0];
      for (std::size_t r = 1; r <= table.chapter_count(); ++r)
        ASSERT_EQ(pad(bare[r - 1], zeros) + (bare[r - 1].back() == '.' ? "" : "."), table.mark_number(r)) << r;
    }
  }
}

}  // namespace
}  // namespace kestram

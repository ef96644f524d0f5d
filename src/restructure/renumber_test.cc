#include "restructure/renumber.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
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

TEST(Renumber, WorkedExample) {
  ChapterTable table = renumbered({"1.", "1.1", "1.1.1", "1.3", "3.", "3.1.1", "4.2"});
  struct Row {
    const char* mark_number;
    const char* chapter_number;
    const char* indent_width;
    const char* components;
  };
  const Row expected[] = {{"1.", "1.", "2", "1"},          {"1.1.", "1.1", "4", "1.1"},
                          {"1.1.1.", "1.1.1", "6", "1.1.1"}, {"1.3.", "1.2", "4", "1.2"},
                          {"3.", "2.", "2", "2"},           {"3.1.1.", "2.1", "4", "2.1"},
                          {"4.2.", "2.2", "4", "2.2"}};
  ASSERT_EQ(7u, table.chapter_count());
  for (std::size_t r = 1; r <= 7; ++r) {
    const Row& row = expected[r - 1];
    EXPECT_EQ(row.mark_number, table.mark_number(r)) << r;
    EXPECT_EQ(row.chapter_number, table.chapter_number(r)) << r;
    EXPECT_EQ(row.indent_width, table.indent_width_text(r)) << r;
    EXPECT_EQ(row.components, table.components(r)) << r;
  }
}

TEST(Renumber, StructureComesFromThePointsOfTheMarks) {
  struct Case {
    const char* what;
    Texts marks;
    Texts expected;
  };
  for (const Case& c : std::vector<Case>{
           {"level 1 consecutive", {"1.", "5.", "5.", "9.9"}, {"1.", "2.", "3.", "3.1"}},
           {"first chapter 0.", {"0.", "7.", "3."}, {"0.", "1.", "2."}},
           {"one level down at most", {"1.", "1.1.1"}, {"1.", "1.1"}},
           {"up several levels", {"1.", "1.1", "1.1.1", "1.1.1.1", "1.2", "1.3"},
            {"1.", "1.1", "1.1.1", "1.1.1.1", "1.1.2", "1.1.3"}},
           {"up from level 2 stays at 2", {"1.", "1.1.1", "1.2"}, {"1.", "1.1", "1.2"}},
           {"final point or not", {"1.", "1.2", "1.3."}, {"1.", "1.1", "1.2"}},
           {"leading zeros", {"01.", "01.01", "01.02", "02."}, {"01.", "01.1", "01.2", "2."}},
           {"first chapter of level 2", {"1.1", "1.2", "2.", "2.1"}, {"1.1", "1.2", "3.", "3.1"}},
           {"first chapter 1.5", {"1.5", "1.6", "2."}, {"1.5", "1.6", "4."}},
           {"first chapter 2.5 rounds to even", {"2.5", "7."}, {"2.5", "3."}},
           {"one row keeps its number", {"3.2.1"}, {"3.2.1"}},
           {"point alone first", {".", "1.", "1.1"}, {"", "1.", "1.1"}},
           {"point alone later", {"1.", "1.1", "."}, {"1.", "1.1", "2."}},
           {"gap in the first mark", {"1..2", "1.1.1", "1.1"}, {"1.", "1.1", "1.2"}},
           {"up from level 1 empties", {"1..2", "1.1"}, {"1.", ""}},
           {"up from level 1 empties, points only", {"..", "...", ".."}, {"", "1.", ""}},
           {"same level after level 0", {"..", ".."}, {"", "1."}},
           {"dates among chapters", {"1.", "12.05.2023", "2."}, {"1.", "1.1", "2."}}}) {
    EXPECT_EQ(c.expected, chapter_numbers(renumbered(c.marks))) << c.what;
  }
}

TEST(Renumber, IndentWidthFollowsIncrementAndLevel) {
  struct Case {
    std::int64_t increment;
    Texts widths;
  };
  for (const Case& c : std::initializer_list<Case>{{2, {"0", "2", "4", "6"}},
                                                  {0, {"0", "0", "0", "0"}},
                                                  {-3, {"0", "-3", "-6", "-9"}},
                                                  {INT64_MAX, {"0", "9223372036854775807",
                                                               "18446744073709551614",
                                                               "27670116110564327421"}}}) {
    ChapterTable table = renumbered({".", "1.", "1.1", "1.1.1"}, c.increment);
    Texts widths;
    for (std::size_t r = 1; r <= 4; ++r) widths.push_back(table.indent_width_text(r));
    EXPECT_EQ(c.widths, widths) << c.increment;
    EXPECT_EQ(0u, table.indent_blanks(1));
    EXPECT_EQ(c.increment > 0 ? static_cast<std::uint64_t>(c.increment) : 0u, table.indent_blanks(2));
  }
}

TEST(Renumber, FortyDigitComponentsCountUpExactly) {
  const std::string nines(38, '9');
  const std::string power = "1" + std::string(38, '0');  // nines + 1
  // The top-level counter starts at the rounded 38-digit number and goes on.
  ChapterTable table = renumbered({nines + ".9", "1.1", "7."});
  EXPECT_EQ((Texts{nines + ".9", nines + ".10", "1" + std::string(37, '0') + "2."}), chapter_numbers(table));

  // A carry through every digit of a deeper component.
  table = renumbered({"1." + nines + "99", "1.2", "1.3.1", "1.4"});
  EXPECT_EQ((Texts{"1." + nines + "99", "1.1" + std::string(40, '0'), "1.1" + std::string(40, '0') + ".1",
                   "1.1" + std::string(39, '0') + "1"}),
            chapter_numbers(table));
}

TEST(Renumber, NestingStopsAtTwentySixLevels) {
  // Each round goes two levels down and one up, so the depth grows by one
  // per round although no mark has more than four points.
  Texts marks = {"1.", "1.1"};
  for (int round = 0; round < 30; ++round)
    for (const char* mark : {"1.1.1", "1.1.1.1", "1.2"}) marks.push_back(mark);
  ChapterTable table = renumbered(marks);
  std::set<std::string> distinct;
  int deepest = 0;
  for (std::size_t r = 1; r <= table.chapter_count(); ++r) {
    deepest = std::max(deepest, table.level(r));
    distinct.emplace(table.chapter_number(r));
    if (r > 1) {
      EXPECT_LE(table.level(r), table.level(r - 1) + 1) << r;
    }
  }
  EXPECT_EQ(kMaxChapterLevel, deepest);
  EXPECT_EQ(table.chapter_count(), distinct.size());

  // The first chapter at level 26 is 1.1 followed by 23 times .2 and a .1;
  // the deeper mark after it becomes its sibling.
  std::string prefix = "1.1";
  for (int i = 0; i < 23; ++i) prefix += ".2";
  std::size_t first_deepest = table.first_row_with_chapter_number(prefix + ".1");
  ASSERT_NE(0u, first_deepest);
  EXPECT_EQ(26, table.level(first_deepest));
  EXPECT_EQ("1.1.1.1.", table.mark_number(first_deepest + 1));
  EXPECT_EQ(prefix + ".2", table.chapter_number(first_deepest + 1));
  EXPECT_EQ(26, table.level(first_deepest + 1));
}

TEST(Renumber, LookUpsWorkOnTheNormalisedTable) {
  ChapterTable table = renumbered({"1.", "1.3", "1.3.", "4."});
  EXPECT_EQ(2u, table.first_row_with_mark_number("1.3."));  // the first of two equal marks
  EXPECT_EQ(0u, table.first_row_with_mark_number("1.3"));
  EXPECT_EQ(4u, table.first_row_with_chapter_number("2."));
  EXPECT_EQ(3u, table.first_row_with_chapter_number("1.2"));
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

TEST(Renumber, EmptyTable) {
  ChapterTable table;
  renumber_chapters(table, 2);
  EXPECT_EQ(0u, table.chapter_count());
  EXPECT_EQ(0u, table.first_row_with_mark_number("1."));
}

}  // namespace
}  // namespace kestram

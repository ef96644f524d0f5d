#include "restructure/identifier_generator.h"

#include <gtest/gtest.h>

#include <string>

namespace kestram {
namespace {

TEST(IdentifierGenerator, DrawsStayBelowOne) {
  EXPECT_EQ(0.0, IdentifierGenerator::to_unit(0));
  EXPECT_EQ(0.5, IdentifierGenerator::to_unit(0x80000000u));
  const double highest = IdentifierGenerator::to_unit(0xFFFFFFFFu);
  EXPECT_LT(highest, 1.0);
  EXPECT_EQ(9, static_cast<int>(10 * highest));
  EXPECT_EQ(9142u, 1 + static_cast<std::size_t>(9142.0 * highest));  // the last position, not one past it
}

TEST(IdentifierGenerator, PoolLengthFollowsTheClock) {
  struct Case {
    TimeOfDay time;
    std::size_t length;
  };
  for (const Case& c : std::initializer_list<Case>{{{0, 0, 0}, 9000},
                                                  {{12, 34, 56}, 9102},
                                                  {{23, 59, 59}, 9141},
                                                  {{23, 59, 60}, 9142},
                                                  {{99, -5, 70}, 9083}})  // a broken clock is held to range
    EXPECT_EQ(c.length, IdentifierGenerator::pool_length(c.time));
}

TEST(IdentifierGenerator, SameTimeSameIdentifiers) {
  const TimeOfDay noon{12, 34, 56};
  IdentifierGenerator generator;
  const std::string first = generator.next_identifier(noon);
  const std::string second = generator.next_identifier({0, 0, 0});
  // Fixed for every run and every platform: the engine and the conversion
  // of its output are exactly defined.
  EXPECT_EQ("522673534", first);
  EXPECT_EQ("925704955", second);  // the state runs on

  IdentifierGenerator again;
  EXPECT_EQ(first, again.next_identifier(noon));
}

}  // namespace
}  // namespace kestram

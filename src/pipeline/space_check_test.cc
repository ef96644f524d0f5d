#include "pipeline/space_check.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace kestram {
namespace {

TEST(SpaceCheck, RefusalOnlyWhenTheTextIsLargerThanTheSpace) {
  struct Case {
    std::uint64_t needed;
    std::optional<std::uint64_t> space;
    std::string refusal;
  };
  for (const Case& c : std::initializer_list<Case>{
           {100, 100, ""},
           {100, 99, "not enough space for a_indent.txt: 100 bytes needed, 99 bytes free"},
           {100, std::nullopt, ""},  // a system that cannot tell refuses nothing
           {UINT64_MAX, 0, "not enough space for a_indent.txt: at least 18446744073709551615 bytes needed, 0 bytes free"},
       })
    EXPECT_EQ(c.refusal, space_refusal("a_indent.txt", c.needed, c.space)) << c.needed;
}

TEST(SpaceCheck, SpaceWhereTheFileGoes) {
  testing::TempDir dir;
  EXPECT_TRUE(space_for(dir.file("new.txt")).has_value());
  EXPECT_FALSE(space_for(dir.file("no such directory/new.txt")).has_value());
}

}  // namespace
}  // namespace kestram

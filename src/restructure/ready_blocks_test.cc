#include "restructure/ready_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <vector>

namespace kestram {
namespace {

// Blocks taken before, while and after the helper runs are whole, distinct
// and writable to their last byte, blocks of large pages as well; stopping twice, or with blocks still
// ready, loses and leaks nothing (the sanitizer build checks the leaks).
TEST(ReadyBlocks, EveryBlockTakenIsWholeAndDistinct) {
  struct Case {
    std::size_t block_bytes;
    std::size_t ahead;
    std::size_t start_after;
    std::size_t takes;
    bool stop_midway;
  };
  for (const Case& c : std::initializer_list<Case>{{4096, 2, 1, 20, false},
                                                  {10000, 4, 3, 40, true},
                                                  {1, 1, 1, 5, false},
                                                  {65536, 3, 100, 10, false},
                                                  {2 * ReadyBlocks::kLargePageBytes, 2, 2, 6, true}}) {
    ReadyBlocks blocks(c.block_bytes, c.ahead, c.start_after);
    EXPECT_EQ(c.block_bytes, blocks.block_bytes());
    std::vector<MemoryBlock> taken;
    std::set<const char*> distinct;
    for (std::size_t i = 0; i < c.takes; ++i) {
      if (c.stop_midway && i == c.takes / 2) blocks.stop();
      taken.push_back(blocks.take());
      ASSERT_NE(nullptr, taken.back());
      std::memset(taken.back().get(), static_cast<int>(i), c.block_bytes);
      distinct.insert(taken.back().get());
    }
    EXPECT_EQ(c.takes, distinct.size()) << c.block_bytes;
    for (std::size_t i = 0; i < c.takes; ++i) {
      EXPECT_EQ(static_cast<char>(i), taken[i][0]) << i;
      EXPECT_EQ(static_cast<char>(i), taken[i][c.block_bytes - 1]) << i;
    }
    blocks.stop();
    blocks.stop();
    EXPECT_NE(nullptr, blocks.take());  // still served once stopped
  }
}

// A supply that is dropped while its helper may be making a block ends
// cleanly.
TEST(ReadyBlocks, DroppedWhileTheHelperWorks) {
  for (int round = 0; round < 20; ++round) {
    ReadyBlocks blocks(1 << 16, 8, 1);
    blocks.take();
  }
}

}  // namespace
}  // namespace kestram

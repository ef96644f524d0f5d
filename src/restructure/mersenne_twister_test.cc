#include "restructure/mersenne_twister.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace kestram {
namespace {

TEST(MersenneTwister32, GivesWhatTheStandardEngineGives) {
  for (std::uint32_t seed : {5489u, 0u, 1u, 0xFFFFFFFFu, 123456789u}) {
    std::mt19937 standard(seed);
    MersenneTwister32 ours(seed);
    // Draws and skips of every size around the 624-value blocks.
    for (std::uint64_t skip : {0u, 1u, 622u, 623u, 624u, 625u, 1247u, 1248u, 10000u, 0u, 3u}) {
      standard.discard(skip);
      ours.discard(skip);
      for (int draw = 0; draw < 700; ++draw)
        ASSERT_EQ(standard(), ours()) << seed << " " << skip << " " << draw;
    }
  }
}

}  // namespace
}  // namespace kestram

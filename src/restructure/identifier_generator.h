// The nine-digit identifiers of identification lines.
//
// Identifiers come from a pseudo-random generator that starts from the same
// state in every run, so a run on the same document at the same time of day
// gives the same identifiers; the time of day only sets the length of the
// digit pool the identifier is picked from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "restructure/mersenne_twister.h"

namespace kestram {

class IdentifierGenerator {
 public:
  static constexpr std::uint32_t kSeed = 5489;
  static constexpr int kWarmUpDraws = 10000;
  static constexpr std::size_t kBasePoolLength = 9000;
  static constexpr int kIdentifierLength = 9;

  // A 32-bit output of the engine as a value in [0, 1): value / 2^32.
  static double to_unit(std::uint32_t value);

  // 9000 + hour + minute + second, each first held to its range, so the
  // length is 9000 to 9143 whatever the clock says.
  static std::size_t pool_length(const TimeOfDay& time);

  // The next identifier: 10000 draws thrown away, a pool of pool_length(time)
  // digits (one per draw, the integer part of ten times the draw), then nine
  // digits picked from it at positions 1 + int(pool length * draw). The
  // generator's state runs on from one identifier to the next.
  std::string next_identifier(const TimeOfDay& time);

 private:
  double draw() { return to_unit(static_cast<std::uint32_t>(engine_())); }

  MersenneTwister32 engine_{kSeed};  // draws exactly as std::mt19937 does
  std::vector<std::uint32_t> pool_;  // the pool's draws, untempered
};

}  // namespace kestram

// The 32-bit Mersenne Twister (MT19937), giving exactly what std::mt19937
// gives for the same seed.
//
// The standard engine of some libraries works on 64-bit words and computes
// its state in a loop that is several times slower than this one; the
// identifiers of the supplementation mode draw some twenty thousand numbers
// each, so the engine's speed is theirs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestram {

class MersenneTwister32 {
 public:
  explicit MersenneTwister32(std::uint32_t seed) {
    state_[0] = seed;
    for (std::uint32_t i = 1; i < kSize; ++i)
      state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + i;
  }

  std::uint32_t operator()() {
    if (next_ == kSize) twist();
    return temper(state_[next_++]);
  }

  // The next `count` values before their last step: temper() turns each
  // into the value that a call would have returned. Values of which only a
  // few are ever looked at thus cost a copy each.
  void draw_untempered(std::uint32_t* out, std::size_t count) {
    while (count > 0) {
      if (next_ == kSize) twist();
      const std::size_t n = count < kSize - next_ ? count : kSize - next_;
      std::memcpy(out, state_ + next_, n * sizeof *out);
      out += n;
      count -= n;
      next_ += static_cast<std::uint32_t>(n);
    }
  }

  static std::uint32_t temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
  }

  // The same as `count` calls whose results are thrown away; the skipped
  // values are never worked out.
  void discard(std::uint64_t count) {
    while (count > kSize - next_) {
      count -= kSize - next_;
      twist();
    }
    next_ += static_cast<std::uint32_t>(count);
  }

 private:
  static constexpr std::uint32_t kSize = 624;
  static constexpr std::uint32_t kShift = 397;

  static std::uint32_t mixed(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
    const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7FFFFFFFu);
    // (y & 1) ? 0x9908B0DF : 0, without a branch.
    return far ^ (y >> 1) ^ ((0u - (y & 1u)) & 0x9908B0DFu);
  }

  // The next 624 values at once (in mersenne_twister.cc, made for the
  // widest vector instructions the processor has).
  void twist();

  std::uint32_t state_[kSize];
  std::uint32_t next_ = kSize;
};

}  // namespace kestram

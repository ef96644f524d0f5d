#include "restructure/identifier_generator.h"

namespace kestram {
namespace {

std::size_t held_to(int value, int highest) {
  if (value < 0) return 0;
  return static_cast<std::size_t>(value > highest ? highest : value);
}

}  // namespace

double IdentifierGenerator::to_unit(std::uint32_t value) {
  // 2^32 exactly; every 32-bit value divided by it is exact in a double and
  // below 1, so ten times a draw is at most 9.99... and a digit is 0 to 9.
  constexpr double kTwoToThe32 = 4294967296.0;
  return static_cast<double>(value) / kTwoToThe32;
}

std::size_t IdentifierGenerator::pool_length(const TimeOfDay& time) {
  return kBasePoolLength + held_to(time.hour, 23) + held_to(time.minute, 59) + held_to(time.second, 60);
}

std::string IdentifierGenerator::next_identifier(const TimeOfDay& time) {
  // The warm-up draws only move the engine on: discard() does exactly that
  // without working out the values.
  engine_.discard(kWarmUpDraws);
  const std::size_t length = pool_length(time);
  // The pool keeps the draws untempered; only the nine picked are finished
  // and become digits.
  pool_.resize(length);
  engine_.draw_untempered(pool_.data(), length);
  std::string identifier;
  for (int i = 0; i < kIdentifierLength; ++i) {
    std::size_t position = 1 + static_cast<std::size_t>(static_cast<double>(length) * draw());
    if (position > length) position = length;  // cannot happen with draws below 1
    const std::uint32_t value = MersenneTwister32::temper(pool_[position - 1]);
    identifier += static_cast<char>('0' + static_cast<int>(10 * to_unit(value)));
  }
  return identifier;
}

}  // namespace kestram

#include "restructure/mersenne_twister.h"

namespace kestram {

// The loops below turn into vector instructions, and the engine's speed is
// theirs: on x86-64 Linux the function is made once for each of these
// instruction sets and the loader picks the widest the processor has (with
// 16 values at a time instead of 4 an identifier takes a quarter of the
// time). Every variant computes the same values. (The loader runs the
// choice before a sanitizer's runtime is ready, so sanitizer builds keep one.)
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define KESTRAM_WIDEST_VECTORS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define KESTRAM_WIDEST_VECTORS
#endif

// The index arithmetic is split at the wrap-arounds instead of taken modulo
// 624.
KESTRAM_WIDEST_VECTORS void MersenneTwister32::twist() {
  std::uint32_t i = 0;
  for (; i < kSize - kShift; ++i) state_[i] = mixed(state_[i], state_[i + 1], state_[i + kShift]);
  for (; i < kSize - 1; ++i) state_[i] = mixed(state_[i], state_[i + 1], state_[i + kShift - kSize]);
  state_[kSize - 1] = mixed(state_[kSize - 1], state_[0], state_[kShift - 1]);
  next_ = 0;
}

}  // namespace kestram

#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "platform/large_blocks.h"

namespace kestram {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t rounded_up(std::size_t bytes) { return (bytes + kLargePage - 1) / kLargePage * kLargePage; }

}  // namespace

LargeBlock allocate_large_block(std::size_t bytes) {
  const std::size_t size = rounded_up(bytes);
  // Mapped with a large page to spare, so that the block can start on a
  // large page's boundary; what lies before and behind it goes back.
  void* mapped = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
  if (aligned > start) munmap(mapped, aligned - start);
  if (const std::size_t behind = kLargePage - (aligned - start)) munmap(reinterpret_cast<void*>(aligned + size), behind);
  char* const block = reinterpret_cast<char*>(aligned);
  madvise(block, size, MADV_HUGEPAGE);  // a hint: without large pages the block works all the same
  return LargeBlock(block, LargeBlockFree{size});
}

void LargeBlockFree::operator()(char* block) const { munmap(block, bytes); }

}  // namespace kestram

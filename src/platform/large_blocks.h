// Memory in large blocks, for the tables that grow with the number of
// chapters (a million of them take over a hundred megabytes). Where the
// system lends large pages, a block lies on them: touching fresh memory costs
// a fault per page, which on a virtual machine takes several microseconds,
// and a large page makes 2 MiB present at once instead of 4 KiB.
#pragma once

#include <cstddef>
#include <memory>

namespace kestram {

struct LargeBlockFree {
  std::size_t bytes;
  void operator()(char* block) const;
};
using LargeBlock = std::unique_ptr<char[], LargeBlockFree>;

// A block of at least `bytes` bytes, not initialised; throws std::bad_alloc
// when there is no memory for it.
LargeBlock allocate_large_block(std::size_t bytes);

}  // namespace kestram

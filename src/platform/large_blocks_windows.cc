#include "platform/large_blocks.h"

namespace kestram {

LargeBlock allocate_large_block(std::size_t bytes) { return LargeBlock(new char[bytes], LargeBlockFree{bytes}); }

void LargeBlockFree::operator()(char* block) const { delete[] block; }

}  // namespace kestram

// Storage for many small texts that live as long as their owner.
//
// Texts are copied one after another into blocks that never move, so a view
// of a stored text stays valid while the arena lives, whatever is stored
// after it; and a million short texts cost a few blocks, not a million
// allocations.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/large_blocks.h"

namespace kestram {

class TextArena {
 public:
  // A copy of the text that stays valid while the arena lives. An empty text
  // takes no room (and its view is never null).
  std::string_view store(std::string_view text) {
    if (text.empty()) return std::string_view("", 0);
    char* copy = fill_;
    if (text.size() <= room_) {
      fill_ += text.size();
      room_ -= text.size();
    } else {
      copy = room_elsewhere(text.size());
    }
    std::memcpy(copy, text.data(), text.size());
    return std::string_view(copy, text.size());
  }

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

  // Room for a text that does not fit in the block being filled. A text of
  // more than a quarter block gets a block of its own (the block being
  // filled stays so), which wastes at most a quarter of any block.
  char* room_elsewhere(std::size_t need) {
    // Left uninitialised: memory that is never written is never touched.
    blocks_.push_back(allocate_large_block(need > kBlockBytes / 4 ? need : kBlockBytes));
    char* const block = blocks_.back().get();
    if (need <= kBlockBytes / 4) {
      fill_ = block + need;
      room_ = kBlockBytes - need;
    }
    return block;
  }

  std::vector<LargeBlock> blocks_;
  char* fill_ = nullptr;  // the free part of the block being filled
  std::size_t room_ = 0;
};

}  // namespace kestram

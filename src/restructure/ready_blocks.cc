#include "restructure/ready_blocks.h"

#include <cstdint>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kestram {
namespace {

// Writing one byte per page makes the whole page present; a machine with
// larger pages merely gets more writes than it needs.
constexpr std::size_t kPageBytes = 4096;

#if defined(__linux__)
// A mapping of `bytes` (a multiple of the large page) aligned to the large
// page, or null.
char* map_aligned(std::size_t bytes) {
  constexpr std::size_t kAlign = ReadyBlocks::kLargePageBytes;
  void* const mapped = mmap(nullptr, bytes + kAlign, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* const start = static_cast<char*>(mapped);
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(start);
  char* const aligned = start + ((kAlign - address % kAlign) % kAlign);
  // The slack on either side goes back.
  if (aligned != start) munmap(start, static_cast<std::size_t>(aligned - start));
  const std::size_t tail = static_cast<std::size_t>(start + bytes + kAlign - (aligned + bytes));
  if (tail != 0) munmap(aligned + bytes, tail);
  // Only a hint: without large pages the block is made of small ones.
  madvise(aligned, bytes, MADV_HUGEPAGE);
  return aligned;
}
#endif

}  // namespace

void MemoryBlockFree::operator()(char* block) const {
#if defined(__linux__)
  if (mapped_bytes_ != 0) {
    munmap(block, mapped_bytes_);
    return;
  }
#endif
  delete[] block;
}

ReadyBlocks::ReadyBlocks(std::size_t block_bytes, std::size_t ahead, std::size_t start_after)
    : block_bytes_(block_bytes), ahead_(ahead), start_after_(start_after) {}

ReadyBlocks::~ReadyBlocks() { stop(); }

MemoryBlock ReadyBlocks::take() {
  if (++taken_ == start_after_) start();
  if (helping_) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_.empty()) {
      MemoryBlock block = std::move(ready_.front());
      ready_.pop_front();
      changed_.notify_one();
      return block;
    }
  }
  MemoryBlock block = make_block();
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

MemoryBlock ReadyBlocks::make_block() const {
#if defined(__linux__)
  if (block_bytes_ % kLargePageBytes == 0) {
    char* const mapped = map_aligned(block_bytes_);
    return MemoryBlock(mapped, MemoryBlockFree(mapped == nullptr ? 0 : block_bytes_));
  }
#endif
  return MemoryBlock(new (std::nothrow) char[block_bytes_]);
}

void ReadyBlocks::start() {
  if (stopped_ || helping_) return;
  helping_ = helper_.try_start([this] { make_ready(); });
  if (!helping_) stopped_ = true;  // no helper: take() allocates every block
}

void ReadyBlocks::stop() {
  stopped_ = true;
  if (!helping_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  helper_.wait();
  helping_ = false;
  ready_.clear();
}

void ReadyBlocks::make_ready() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || ready_.size() < ahead_; });
    if (stopping_) return;
    // The block is made and touched outside the lock, so that take() is
    // never held up by it.
    lock.unlock();
    MemoryBlock block = make_block();
    if (block == nullptr) return;  // no memory to spare: take() makes its own
    for (std::size_t at = 0; at < block_bytes_; at += kPageBytes) block[at] = 0;
    lock.lock();
    try {
      ready_.push_back(std::move(block));
    } catch (const std::bad_alloc&) {
      return;  // as above
    }
  }
}

}  // namespace kestram

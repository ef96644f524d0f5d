// Memory blocks whose pages are made present ahead of use.
//
// A large chapter table takes on the order of a hundred megabytes of new
// memory while the input is read, and the operating system maps every page
// of it at its first touch; on the thread that fills the table that costs
// about as much as the filling itself. Once a table has grown large, a
// helper thread allocates the next few blocks and writes to each of their
// pages, so that the mapping happens on another processor while the table
// goes on filling. The filling thread never waits for the helper: when no
// block is ready it allocates one itself.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

#include "text/side_work.h"

namespace kestram {

// A block of memory, freed the way it was made: from the heap (new[]) or
// mapped whole (by ReadyBlocks).
class MemoryBlockFree {
 public:
  MemoryBlockFree() = default;
  explicit MemoryBlockFree(std::size_t mapped_bytes) : mapped_bytes_(mapped_bytes) {}
  void operator()(char* block) const;

 private:
  std::size_t mapped_bytes_ = 0;  // 0: from the heap
};
using MemoryBlock = std::unique_ptr<char[], MemoryBlockFree>;

inline MemoryBlock heap_memory_block(std::size_t bytes) { return MemoryBlock(new char[bytes]); }

// Blocks whose size is a multiple of kLargePageBytes are mapped on their
// own, aligned to it, and asked to be backed by large pages where the
// system has them: one fault then makes that many bytes present instead of
// a page of 4 KiB, which makes a large table's memory ready several times
// faster.
class ReadyBlocks {
 public:
  // Blocks of `block_bytes` each; at most `ahead` of them are kept ready by
  // a helper that starts when `start_after` blocks have been taken.
  ReadyBlocks(std::size_t block_bytes, std::size_t ahead, std::size_t start_after);
  ~ReadyBlocks();
  ReadyBlocks(const ReadyBlocks&) = delete;
  ReadyBlocks& operator=(const ReadyBlocks&) = delete;

  static constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;

  std::size_t block_bytes() const { return block_bytes_; }

  // A block of block_bytes(): one made ready by the helper when there is
  // one, else a new one (uninitialised either way).
  MemoryBlock take();

  // Stops the helper for good (or keeps it from starting) and frees the
  // blocks it had ready.
  void stop();

 private:
  // Starts the helper unless it was stopped; one that cannot be started
  // leaves every block to take().
  void start();
  void make_ready();  // the helper's loop
  MemoryBlock make_block() const;  // null when there is no memory for it

  const std::size_t block_bytes_;
  const std::size_t ahead_;
  const std::size_t start_after_;
  std::size_t taken_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<MemoryBlock> ready_;  // guarded by mutex_
  bool stopping_ = false;                      // guarded by mutex_
  bool stopped_ = false;                       // only touched by the owner
  bool helping_ = false;                       // only touched by the owner
  SideWork helper_;
};

}  // namespace kestram

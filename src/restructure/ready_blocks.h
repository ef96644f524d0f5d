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
#include <thread>

namespace kestram {

class ReadyBlocks {
 public:
  // Blocks of `block_bytes` each; at most `ahead` of them are kept ready by
  // a helper that starts when `start_after` blocks have been taken.
  ReadyBlocks(std::size_t block_bytes, std::size_t ahead, std::size_t start_after);
  ~ReadyBlocks();
  ReadyBlocks(const ReadyBlocks&) = delete;
  ReadyBlocks& operator=(const ReadyBlocks&) = delete;

  std::size_t block_bytes() const { return block_bytes_; }

  // A block of block_bytes(): one made ready by the helper when there is
  // one, else a new one (uninitialised either way).
  std::unique_ptr<char[]> take();

  // Stops the helper for good (or keeps it from starting) and frees the
  // blocks it had ready.
  void stop();

 private:
  // Starts the helper unless it was stopped; one that cannot be started
  // leaves every block to take().
  void start();
  void make_ready();  // the helper's loop

  const std::size_t block_bytes_;
  const std::size_t ahead_;
  const std::size_t start_after_;
  std::size_t taken_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<char[]>> ready_;  // guarded by mutex_
  bool stopping_ = false;                      // guarded by mutex_
  bool stopped_ = false;                       // only touched by the owner
  std::thread helper_;
};

}  // namespace kestram

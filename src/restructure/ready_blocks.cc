#include "restructure/ready_blocks.h"

#include <new>
#include <system_error>
#include <utility>

namespace kestram {
namespace {

// Writing one byte per page makes the whole page present; a machine with
// larger pages merely gets more writes than it needs.
constexpr std::size_t kPageBytes = 4096;

}  // namespace

ReadyBlocks::ReadyBlocks(std::size_t block_bytes, std::size_t ahead, std::size_t start_after)
    : block_bytes_(block_bytes), ahead_(ahead), start_after_(start_after) {}

ReadyBlocks::~ReadyBlocks() { stop(); }

std::unique_ptr<char[]> ReadyBlocks::take() {
  if (++taken_ == start_after_) start();
  if (helper_.joinable()) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_.empty()) {
      std::unique_ptr<char[]> block = std::move(ready_.front());
      ready_.pop_front();
      changed_.notify_one();
      return block;
    }
  }
  return std::unique_ptr<char[]>(new char[block_bytes_]);
}

void ReadyBlocks::start() {
  if (stopped_ || helper_.joinable()) return;
  try {
    helper_ = std::thread([this] { make_ready(); });
  } catch (const std::system_error&) {
    stopped_ = true;  // no helper: take() allocates every block
  }
}

void ReadyBlocks::stop() {
  stopped_ = true;
  if (!helper_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  helper_.join();
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
    std::unique_ptr<char[]> block(new (std::nothrow) char[block_bytes_]);
    if (block == nullptr) return;  // no memory to spare: take() makes its own
    for (std::size_t at = 0; at < block_bytes_; at += kPageBytes) block[at] = 0;
    lock.lock();
    ready_.push_back(std::move(block));
  }
}

}  // namespace kestram

// How many rows of the chapter table are complete, for work that follows the
// scan on another thread: the scan tells how far it got, now and then, and the
// work behind it waits until the scan got further or has ended.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace kestram {

class RowsReady {
 public:
  // The first `count` rows are complete; count never goes down.
  void show(std::size_t count) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      count_ = count;
    }
    changed_.notify_all();
  }
  // No more rows will be shown.
  void close() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }
  // Waits until more than `seen` rows are complete or none will come any
  // more; returns the number of complete rows.
  std::size_t wait_beyond(std::size_t seen) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return count_ > seen || closed_; });
    return count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t count_ = 0;
  bool closed_ = false;
};

}  // namespace kestram

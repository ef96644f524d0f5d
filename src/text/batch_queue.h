// Batches of work handed from one thread to another, in order, and handed
// back empty to be filled again: a pass and a thread beside it share the
// work of a large file without an allocation per line.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace kestram {

template <typename Batch>
class BatchQueue {
 public:
  // The sender waits while `most_out` batches are sent and not handed back,
  // which bounds the memory in between.
  explicit BatchQueue(std::size_t most_out) : most_out_(most_out) {}
  BatchQueue(const BatchQueue&) = delete;
  BatchQueue& operator=(const BatchQueue&) = delete;

  // The sender's side.

  // An empty batch: one handed back, or a new one.
  std::unique_ptr<Batch> empty_batch() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!spare_.empty()) {
        std::unique_ptr<Batch> batch = std::move(spare_.back());
        spare_.pop_back();
        return batch;
      }
    }
    return std::make_unique<Batch>();
  }
  // Queues the batch; false (and the batch dropped) once the receiver has
  // stopped.
  bool send(std::unique_ptr<Batch> batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return out_ < most_out_ || stopped_; });
    if (stopped_) return false;
    sent_.push_back(std::move(batch));
    ++out_;
    changed_.notify_all();
    return true;
  }
  // No batch follows.
  void close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }
  // Waits until the receiver has handed back every batch sent.
  void wait_until_all_back() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return out_ == 0 || stopped_; });
  }

  // The receiver's side.

  // The next batch, or null once the queue is closed and every batch
  // received.
  std::unique_ptr<Batch> receive() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !sent_.empty() || closed_; });
    if (sent_.empty()) return nullptr;
    std::unique_ptr<Batch> batch = std::move(sent_.front());
    sent_.pop_front();
    return batch;
  }
  // Hands a received batch back, emptied, to be filled again.
  void give_back(std::unique_ptr<Batch> batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(batch));
    --out_;
    changed_.notify_all();
  }
  // Takes no more batches: every later send() returns false at once.
  void stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  const std::size_t most_out_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> sent_;
  std::vector<std::unique_ptr<Batch>> spare_;
  std::size_t out_ = 0;  // sent and not yet handed back
  bool closed_ = false;
  bool stopped_ = false;
};

}  // namespace kestram

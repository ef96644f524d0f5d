#include "pipeline/threaded_sink.h"

#include <system_error>
#include <utility>

namespace kestram {

ThreadedSink::ThreadedSink(LineSink& out) : out_(out), filling_(std::make_unique<Batch>()) {
  filling_->bytes.reserve(kBatchBytes);
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    in_caller_ = true;
  }
}

ThreadedSink::~ThreadedSink() { stop_thread(); }

void ThreadedSink::write(std::string_view piece) {
  if (in_caller_) {
    out_.write(piece);
    return;
  }
  filling_->bytes.append(piece);
}

void ThreadedSink::end_line() {
  if (in_caller_) {
    out_.end_line();
    return;
  }
  filling_->line_ends.push_back(filling_->bytes.size());
  if (filling_->bytes.size() >= kBatchBytes) send();
}

void ThreadedSink::send() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < kBatchesAhead || failure_; });
  if (failure_) {
    // The thread has stopped: the lines go nowhere, and finish() tells why.
    filling_->bytes.clear();
    filling_->line_ends.clear();
    return;
  }
  queue_.push_back(std::move(filling_));
  if (!spare_.empty()) {
    filling_ = std::move(spare_.back());
    spare_.pop_back();
  } else {
    filling_ = std::make_unique<Batch>();
    filling_->bytes.reserve(kBatchBytes);
  }
  changed_.notify_all();
}

void ThreadedSink::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
    if (queue_.empty()) break;
    std::unique_ptr<Batch> batch = std::move(queue_.front());
    queue_.erase(queue_.begin());
    changed_.notify_all();
    lock.unlock();
    try {
      std::size_t begin = 0;
      for (std::size_t end : batch->line_ends) {
        out_.write_line(std::string_view(batch->bytes).substr(begin, end - begin));
        begin = end;
      }
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      queue_.clear();
      changed_.notify_all();
      return;
    }
    batch->bytes.clear();
    batch->line_ends.clear();
    lock.lock();
    spare_.push_back(std::move(batch));
  }
  if (!finish_out_) return;
  lock.unlock();
  try {
    out_.finish();
  } catch (...) {
    lock.lock();
    failure_ = std::current_exception();
  }
}

void ThreadedSink::stop_thread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ThreadedSink::finish() {
  if (in_caller_) {
    out_.finish();
    return;
  }
  if (!filling_->line_ends.empty()) send();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finish_out_ = true;
  }
  stop_thread();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace kestram

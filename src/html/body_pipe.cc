#include "html/body_pipe.h"

#include <cstring>
#include <utility>

namespace kestram {
namespace {

// A batch goes to the thread once the next line does not fit in it, and the
// pass waits while this many batches are out: large enough that handing one
// over costs nothing next to its lines, small enough to stay in the cache.
constexpr std::size_t kBatchesOut = 8;

}  // namespace

BodyPipe::BodyPipe(BodyWriter& body)
    : body_(body), filling_(std::make_unique<Batch>()), thread_([this] { run(); }) {}

void BodyPipe::add(std::uint64_t indent_blanks, std::string_view text, bool plain) {
  if (text.size() > kLongestCopiedLine) {
    // The thread is idle once it has taken the lines before, and the lock
    // taken on the way makes its writes visible here and these to it.
    wait_until_taken();
    hand_on(indent_blanks, text, plain);
    return;
  }
  if (text.size() > kBatchBytes - filling_->size) send();
  Batch& batch = *filling_;
  if (!text.empty()) std::memcpy(batch.bytes.get() + batch.size, text.data(), text.size());
  batch.size += text.size();
  batch.entries.push_back(Entry{indent_blanks, text.size(), plain});
}

void BodyPipe::hand_on(std::uint64_t indent_blanks, std::string_view text, bool plain) {
  if (plain) {
    body_.add_plain(indent_blanks, text);
  } else {
    body_.add(text);
  }
}

void BodyPipe::send() {
  if (filling_->entries.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return batches_out_ < kBatchesOut; });
  sent_.push_back(std::move(filling_));
  ++batches_out_;
  if (spare_.empty()) {
    filling_ = std::make_unique<Batch>();
  } else {
    filling_ = std::move(spare_.back());
    spare_.pop_back();
  }
  changed_.notify_all();
}

void BodyPipe::wait_until_taken() {
  send();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return batches_out_ == 0; });
}

void BodyPipe::finish() {
  if (finished_) return;
  finished_ = true;
  wait_until_taken();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BodyPipe::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !sent_.empty() || closing_; });
    if (sent_.empty()) return;
    std::unique_ptr<Batch> batch = std::move(sent_.front());
    sent_.pop_front();
    lock.unlock();
    std::size_t at = 0;
    for (const Entry& entry : batch->entries) {
      hand_on(entry.indent_blanks, std::string_view(batch->bytes.get() + at, entry.size), entry.plain);
      at += entry.size;
    }
    batch->size = 0;
    batch->entries.clear();
    lock.lock();
    spare_.push_back(std::move(batch));
    --batches_out_;
    changed_.notify_all();
  }
}

}  // namespace kestram

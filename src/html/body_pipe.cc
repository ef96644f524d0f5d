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

BodyPipe::BodyPipe(BodyWriter& body) : body_(body), queue_(kBatchesOut), filling_(queue_.empty_batch()) {
  in_caller_ = !thread_.try_start([this] { run(); });
}

void BodyPipe::add(std::uint64_t indent_blanks, std::string_view text, bool plain) {
  if (in_caller_) {
    hand_on(indent_blanks, text, plain);
    return;
  }
  if (text.size() > kLongestCopiedLine) {
    // The thread is idle once it has taken the lines before, and the lock
    // taken on the way makes its writes visible here and these to it. A
    // thread that failed has stopped the queue: the body writer is left
    // alone, and finish() reports the failure.
    send();
    queue_.wait_until_all_back();
    if (!failure_) hand_on(indent_blanks, text, plain);
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
  queue_.send(std::move(filling_));
  filling_ = queue_.empty_batch();
}

void BodyPipe::finish() {
  if (finished_) return;
  finished_ = true;
  send();
  queue_.close();
  thread_.wait();
  if (failure_) std::rethrow_exception(failure_);
}

void BodyPipe::run() {
  try {
    while (std::unique_ptr<Batch> batch = queue_.receive()) {
      std::size_t at = 0;
      for (const Entry& entry : batch->entries) {
        hand_on(entry.indent_blanks, std::string_view(batch->bytes.get() + at, entry.size), entry.plain);
        at += entry.size;
      }
      batch->size = 0;
      batch->entries.clear();
      queue_.give_back(std::move(batch));
    }
  } catch (...) {
    // The pass sends on into nothing until it finishes.
    failure_ = std::current_exception();
    queue_.stop();
  }
}

}  // namespace kestram

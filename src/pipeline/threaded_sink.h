// A stage that hands its lines on to the sink behind it on a thread of its
// own, so that the stages behind it work beside the ones before it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "text/line_sink.h"

namespace kestram {

// The lines are copied into batches that the thread takes in order; the
// caller waits only when the thread is several batches behind. The sink
// behind gets every line as one piece. From construction until finish() has
// returned, that sink, and whatever it writes to, belong to the thread.
// Without a thread to be had (a limit on processes or on memory), every
// piece goes on at once, in the caller.
class ThreadedSink : public LineSink {
 public:
  explicit ThreadedSink(LineSink& out);
  // Lets the thread end without handing on the end.
  ~ThreadedSink() override;
  ThreadedSink(const ThreadedSink&) = delete;
  ThreadedSink& operator=(const ThreadedSink&) = delete;

  void write(std::string_view piece) override;
  void end_line() override;
  // Waits until the sink behind has taken every line and its end (which it
  // is handed on the thread), and throws again what it threw there.
  void finish() override;

 private:
  struct Batch {
    std::string bytes;
    std::vector<std::size_t> line_ends;  // one past each line's last byte
  };
  static constexpr std::size_t kBatchBytes = std::size_t{1} << 18;
  static constexpr std::size_t kBatchesAhead = 4;

  void send();  // the batch being filled goes to the thread
  void run();   // the thread
  void stop_thread();

  LineSink& out_;
  bool in_caller_ = false;  // no thread: pieces go on at once
  std::unique_ptr<Batch> filling_;
  // What both threads touch starts on a cache line of its own.
  alignas(64) std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Batch>> queue_;  // sent, in order
  std::vector<std::unique_ptr<Batch>> spare_;  // taken, to be filled again
  bool closing_ = false;                       // nothing more will be sent
  bool finish_out_ = false;                    // hand the end on once the queue is empty
  std::exception_ptr failure_;                 // what the sink behind threw
  std::thread thread_;
};

}  // namespace kestram

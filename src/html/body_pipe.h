// The body of the page made on a thread of its own: the lines of the indented
// text, as the indentation pass writes them, go on to a BodyWriter that runs
// beside the pass, so that the page and the companion text are written while
// the next lines are indented.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "html/body_line.h"
#include "restructure/indent_pass.h"
#include "text/batch_queue.h"
#include "text/lines.h"
#include "text/side_work.h"

namespace kestram {

// Hand it to the indented text's LineWriter::observe_lines() and to the pass
// as its PlainLineSink. Lines are copied into batches that the thread takes
// in order; the pass waits only when the thread is several batches behind.
// A long line is not copied: the pass waits until the thread has taken every
// line before it and then hands the line on itself. From construction until
// finish() has returned, the body writer, and whatever it writes to, belong
// to the thread. Without a thread to be had, each line goes on to the body
// writer at once.
class BodyPipe : public LineWriter::LineObserver, public PlainLineSink {
 public:
  explicit BodyPipe(BodyWriter& body);
  // Lets the thread take the lines sent so far and end.
  ~BodyPipe() { queue_.close(); }
  BodyPipe(const BodyPipe&) = delete;
  BodyPipe& operator=(const BodyPipe&) = delete;

  void line(std::string_view text) override { add(0, text, false); }
  void plain_line(std::uint64_t indent_blanks, std::string_view stripped_line) override {
    add(indent_blanks, stripped_line, true);
  }
  void line_too_long() override { complete_ = false; }
  // False once a line was too long to be told: the page misses lines.
  bool complete() const { return complete_; }

  // Waits until the body writer has taken every line and ends the thread;
  // throws again what the body writer threw there. Calling it again does
  // nothing.
  void finish();

  // Lines up to this size are copied; a longer one waits for the thread.
  static constexpr std::size_t kLongestCopiedLine = std::size_t{1} << 16;

 private:
  struct Entry {
    std::uint64_t indent_blanks;
    std::size_t size;
    bool plain;  // add_plain(), else add()
  };
  // The lines' texts, one after another, in a block of fixed size that the
  // batch keeps while it goes back and forth: copying a line in is a plain
  // copy, never a reallocation.
  static constexpr std::size_t kBatchBytes = std::size_t{1} << 16;
  struct Batch {
    std::unique_ptr<char[]> bytes = std::make_unique<char[]>(kBatchBytes);
    std::size_t size = 0;
    std::vector<Entry> entries;
  };
  static_assert(kLongestCopiedLine <= kBatchBytes, "a line copied fits in an empty batch");

  void add(std::uint64_t indent_blanks, std::string_view text, bool plain);
  void hand_on(std::uint64_t indent_blanks, std::string_view text, bool plain);
  void send();  // the batch being filled goes to the thread
  void run();   // the thread

  BodyWriter& body_;
  bool complete_ = true;
  bool finished_ = false;
  bool in_caller_ = false;  // no thread: lines go on at once
  BatchQueue<Batch> queue_;
  std::unique_ptr<Batch> filling_;  // the pass's alone
  std::exception_ptr failure_;      // the thread's, set before it stops the queue
  SideWork thread_;  // last: starts once everything else is set up
};

}  // namespace kestram
